# Shared by the unattended installer's end-to-end runs (sourced): the FO variant's names, the
# log's last line, and listings of a drive and of links that two machines can be compared in.
fo_key=VANTPLUSFO-TWS fo_db=VantFODB-TWS fo_data=VANTFOData-TWS fo_backup=VANTFOBackUpDB-TWS

log_ends_with() {  # <log file> <exit code>: the log's last line gives that exit code
  local last
  last=$(tail -n 1 "$1" | tr -d '\r')
  grep -qE "exit code $2 \(.+\)$" <<<"$last" || { echo "last line: $last"; return 1; }
}

link_fields() {  # <.lnk file>: the fields that say what the link starts, as lnkinfo reads them
  lnkinfo "$1" 2>/dev/null |
    grep -E "Local path|Command line arguments|Working directory|Icon location|Description|Relative path" |
    sed 's/^\s*//'
}

folder_listing() {  # <folder>: every file and folder in it, sorted; each file with its MD5
  (cd "$1" && find . -mindepth 1 -printf '%y %P\n' | sort | while read -r kind path; do
    if [ "$kind" = f ]; then echo "f $path $(md5sum <"$path" | cut -c1-32)"; else echo "$kind $path"; fi
  done)
}

links_listing() {  # <folder> <subfolder...>: each link below them, with what it starts
  (cd "$1" && shift && find "$@" -name '*.lnk' | sort | while read -r link; do
    echo "$link"; link_fields "$link"
  done)
}
