# Shared by the unattended installer's end-to-end runs (sourced): the FO variant's names, the
# log's last line and what lnkinfo says of a link.
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
