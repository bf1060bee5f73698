# Every target of ours builds with these; a warning is a fault to fix, not to silence.
add_compile_options(-Wall -Wextra)
