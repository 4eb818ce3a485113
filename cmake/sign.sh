#!/usr/bin/env bash
# Signs one Windows executable in place, Authenticode with SHA-256:
#   sign.sh <settings file> <description> <file>
# The build runs it on BRIMSTAR.SCR, and the setup's script on the uninstaller and the setup.
# The settings file (written by cmake/Release.cmake) holds lines name=value: osslsigncode, pfx,
# password_file, time and timestamp_url. The password stays in its own file: osslsigncode reads
# it from there itself. The signing time is the release's source date, so that the same file
# signs to the same bytes; a time-stamping server, if named, adds a real time, which by nature
# differs from one signing to the next.
set -euo pipefail

if (($# != 3)); then
    echo "usage: sign.sh <settings file> <description> <file>" >&2
    exit 2
fi
settings=$1 description=$2 file=$3

declare -A setting
while IFS='=' read -r name value; do
    setting[$name]=$value
done <"$settings"
timestamp=()
if [[ -n ${setting[timestamp_url]} ]]; then
    timestamp=(-ts "${setting[timestamp_url]}")
fi

# osslsigncode will not overwrite its input, and what it writes lacks the execute bit: sign to
# a file beside it, then copy the bytes back into the original, which keeps its mode.
signed=$file.signed
rm -f "$signed"
"${setting[osslsigncode]}" sign -pkcs12 "${setting[pfx]}" -readpass "${setting[password_file]}" -h sha256 \
    -time "${setting[time]}" "${timestamp[@]}" -n "$description" -in "$file" -out "$signed" >/dev/null
cat "$signed" >"$file"
rm -f "$signed"
