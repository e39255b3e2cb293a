#!/usr/bin/env bash
# Prints, as deb-src lines, the binary package entries of this machine's own apt configuration
# for one Debian release (its suites: RELEASE, RELEASE-updates, RELEASE-security…), so that a
# script fetching sources follows whatever mirror the machine uses. Reads the one-line
# sources.list format and the deb822 .sources format; disabled entries are left out.
#   usage: apt-source-entries.sh RELEASE
set -euo pipefail
release=${1:?usage: apt-source-entries.sh RELEASE}

eval "$(apt-config shell list Dir::Etc::sourcelist/f parts Dir::Etc::sourceparts/d)"
files=()
[ -f "$list" ] && files+=("$list")
for file in "$parts"*.list "$parts"*.sources; do
  [ -f "$file" ] && files+=("$file")
done

for file in "${files[@]}"; do
  case $file in
  *.sources)
    # One entry per paragraph; a value may go on over indented lines.
    awk -v release="$release" '
      function wanted(suite) { return suite == release || index(suite, release "-") == 1 }
      function flush(   uris, suites, nuris, nsuites, i, j, options) {
        if (value["enabled"] != "no" && (" " value["types"] " ") ~ / deb /) {
          options = value["signed-by"] ~ /^\// ? " [signed-by=" value["signed-by"] "]" : ""
          nuris = split(value["uris"], uris, " ")
          nsuites = split(value["suites"], suites, " ")
          for (i = 1; i <= nuris; i++) for (j = 1; j <= nsuites; j++) if (wanted(suites[j]))
            print "deb-src" options " " uris[i] " " suites[j] " " value["components"]
        }
        delete value
        field = ""
      }
      /^#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^[ \t]/ { if (field != "") value[field] = value[field] " " $0; next }
      {
        field = tolower(substr($0, 1, index($0, ":") - 1))
        value[field] = substr($0, index($0, ":") + 1)
        gsub(/^[ \t]+|[ \t]+$/, "", value[field])
        if (field == "enabled") value[field] = tolower(value[field])
      }
      END { flush() }' "$file"
    ;;
  *)
    # deb [options] URI SUITE COMPONENT…
    awk -v release="$release" '
      $1 != "deb" { next }
      {
        i = 2
        options = ""
        if ($i ~ /^\[/) {
          while (i < NF && $i !~ /\]$/) options = options " " $(i++)
          options = options " " $(i++)
        }
        uri = $i
        suite = $(i + 1)
        components = ""
        for (k = i + 2; k <= NF && $k !~ /^#/; k++) components = components " " $k
        if (suite == release || index(suite, release "-") == 1)
          print "deb-src" options " " uri " " suite components
      }' "$file"
    ;;
  esac
done
