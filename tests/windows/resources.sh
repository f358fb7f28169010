#!/usr/bin/env bash
# The two programs of the zip as Windows sees them before running them: the
# show a GUI program, the capture tool a console one; each with a manifest
# that parses and asks for Common Controls 6, per-monitor v2 DPI awareness,
# the UTF-8 code page, long paths and Windows 10 and 11; the show's icon at
# 16, 24, 32, 48 and 256 pixels; version information naming the product, its
# version (the project's), what the program is, and the copyright holder.
# Usage: resources.sh BUILD_DIR SOURCE_DIR WINDOWS_BUILD
set -euo pipefail
source "$(dirname "$0")/../e2e/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"
e2e_init "$1" "$2" windows-resources
wine_init "${3:-}"

version=$(sed -n 's/^project(mardunqist VERSION \([0-9.]*\).*/\1/p' "$E2E_SOURCE/CMakeLists.txt")
holder=$(sed -n 's/^Copyright: [0-9, -]* //p' "$E2E_SOURCE/packaging/copyright" | head -n 1)
[ -n "$version" ] && [ -n "$holder" ] || e2e_fail "no version or copyright holder in the sources"

declare -A subsystem=([mardunqist]="Windows GUI" [mardunqist-capture]="Windows CUI")
descriptions=()
for program in mardunqist mardunqist-capture; do
    exe="$WIN_DIR/$program.exe"
    [[ "$(x86_64-w64-mingw32-objdump -p "$exe")" == *$'\nSubsystem'*"(${subsystem[$program]})"* ]] ||
        e2e_fail "$program.exe is not a ${subsystem[$program]} program"

    wrestool -x --raw --type=24 --name=1 "$exe" >"$E2E_TMP/$program.manifest" &&
        [ -s "$E2E_TMP/$program.manifest" ] || e2e_fail "$program.exe holds no manifest"
    python3 - "$E2E_TMP/$program.manifest" <<'PYTHON' || e2e_fail "$program.exe's manifest lacks a setting"
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
settings = "{urn:schemas-microsoft-com:asm.v3}application/{urn:schemas-microsoft-com:asm.v3}windowsSettings/"
def setting(year, name):
    found = root.find(settings + "{http://schemas.microsoft.com/SMI/%s/WindowsSettings}%s" % (year, name))
    return found.text.strip() if found is not None else None
controls = [a for a in root.iter("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
            if a.get("name") == "Microsoft.Windows.Common-Controls"]
systems = {s.get("Id") for s in root.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")}
wanted = {
    "Common Controls 6": bool(controls) and controls[0].get("version") == "6.0.0.0",
    "per-monitor v2 DPI awareness": setting(2016, "dpiAwareness") == "PerMonitorV2",
    "the UTF-8 code page": setting(2019, "activeCodePage") == "UTF-8",
    "long paths": setting(2016, "longPathAware") == "true",
    "Windows 10 and 11": "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" in systems,
}
missing = [what for what, there in wanted.items() if not there]
if missing:
    print("missing: " + ", ".join(missing), file=sys.stderr)
sys.exit(1 if missing else 0)
PYTHON

    wrestool -x --type=14 --name=1 "$exe" >"$E2E_TMP/$program.ico" || e2e_fail "$program.exe holds no icon"
    sizes=$(icotool -l "$E2E_TMP/$program.ico" | sed -n 's/.*--width=\([0-9]*\) --height=\1 .*/\1/p' | sort -n | tr '\n' ' ')
    [ "$sizes" = "16 24 32 48 256 " ] || e2e_fail "$program.exe's icon comes in the sizes $sizes"

    wrestool -x --raw --type=16 "$exe" >"$E2E_TMP/$program.version" || e2e_fail "$program.exe holds no version"
    value() {  # the version information's string KEY
        python3 -c '
import re, sys
text = open(sys.argv[1], "rb").read().decode("utf-16-le", "replace")
found = re.search(sys.argv[2] + "\0+([^\0]+)\0", text)
print(found.group(1) if found else "")' "$E2E_TMP/$program.version" "$1"
    }
    [ "$(value ProductName)" = "kelvo mardunqist" ] || e2e_fail "$program.exe: product name \"$(value ProductName)\""
    [ "$(value ProductVersion)" = "$version" ] && [ "$(value FileVersion)" = "$version" ] ||
        e2e_fail "$program.exe: version \"$(value FileVersion)\", the project's is $version"
    [[ "$(value LegalCopyright)" == *"$holder"* ]] || e2e_fail "$program.exe: copyright \"$(value LegalCopyright)\""
    [ "$(value OriginalFilename)" = "$program.exe" ] || e2e_fail "$program.exe: called \"$(value OriginalFilename)\""
    descriptions+=("$(value FileDescription)")
    e2e_log "$program.exe: ${subsystem[$program]}, manifest, icon $sizes, version $version, \"${descriptions[-1]}\""
done
[ -n "${descriptions[0]}" ] && [ "${descriptions[0]}" != "${descriptions[1]}" ] ||
    e2e_fail "the programs' descriptions do not tell them apart: ${descriptions[*]}"

e2e_log "all passed"
