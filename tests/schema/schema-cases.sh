#!/bin/bash
# The schema for editors, docs/bootwright.xsd, against the sample documents
# and a table of documents it must take or refuse.
set -uo pipefail
root=$1
schema=$root/docs/bootwright.xsd
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
cases=0

# A document with these root attributes and children.
doc() { printf '<?xml version="1.0" encoding="utf-8"?>\n<configurations%s>%s</configurations>\n' "$1" "$2"; }
# An install configuration with these attributes and children.
install() { printf '<configuration type="install"%s>%s</configuration>' "$1" "$2"; }
# A document with one install configuration holding one cmd component.
component() { doc '' "$(install '' "<component type=\"cmd\" description=\"C\" command=\"cmd.exe /c exit 0\"$1>$2</component>")"; }
# The same around one installed check.
check() { component '' "<installedcheck $1/>"; }

expect() {
    local wanted=$1 name=$2 document=$3
    cases=$((cases + 1))
    printf '%s' "$document" >"$work/case.xml"
    if xmllint --noout --schema "$schema" "$work/case.xml" >"$work/report" 2>&1; then got=valid; else got=invalid; fi
    if [ "$got" != "$wanted" ]; then
        failures=$((failures + 1))
        echo "FAIL: $name: expected $wanted, got $got"
        cat "$work/report" "$work/case.xml"
        echo
    fi
}

for sample in "$root"/samples/*.xml; do
    expect valid "sample $(basename "$sample")" "$(cat "$sample")"
done

# Documents the schema takes.
expect valid "empty root" "$(doc '' '')"
expect valid "flags in any case" "$(doc ' show_language_selector="TRUE" log_enabled="False"' "$(install ' auto_start="true"' '')")"
expect valid "empty flag" "$(doc '' "$(install ' auto_start=""' '')")"
expect valid "expanded flag with a variable" "$(component ' required="%SETUP_REQUIRED%"' '')"
expect valid "filters" "$(doc '' "$(install ' lcid_filter="1031, 1033,!2057" os_filter_greater="100" processor_architecture_filter="!x86,x64"' '')")"
expect valid "reference configuration" "$(doc '' '<configuration type="reference"><configfile filename="#APPPATH\more.xml"/><downloaddialog><download componentname="More" sourceurl="https://example.invalid/more.xml" destinationpath="#APPPATH"/></downloaddialog></configuration>')"
expect valid "registry check" "$(check 'type="check_registry_value" rootkey="HKEY_LOCAL_MACHINE" path="Software\Quorvane" fieldname="Version" fieldtype="REG_SZ" fieldvalue="1.0" comparison="version" wowoption="wow64_64"')"
expect valid "product check" "$(check 'type="check_product" id_type="upgradecode" id="{926A0445-A99F-4898-9314-BC6808743288}" propertyname="VersionString" comparison="version_ge" propertyvalue="1.0" defaultvalue="False"')"
expect valid "nested operators" "$(component '' '<installedcheckoperator type="Not"><installedcheckoperator type="Or"><installedcheck type="check_directory" path="C:\Q"/></installedcheckoperator></installedcheckoperator>')"
expect valid "download with sha256" "$(component '' '<downloaddialog autostartdownload="true"><download componentname="R" sourceurl="https://example.invalid/r.msi" destinationpath="#CABPATH" alwaysdownload="false" sha256="9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08"/></downloaddialog>')"

# Documents the schema refuses: misspelt names and values it can express.
expect invalid "misspelt root" "$(printf '<configuration/>')"
expect invalid "misspelt element" "$(doc '' "$(install '' '<componnet type="cmd"/>')")"
expect invalid "element in capitals" "$(component '' '<InstalledCheck type="check_directory" path="C:\Q"/>')"
expect invalid "element in the wrong place" "$(doc '' '<component type="cmd"/>')"
expect invalid "misspelt attribute" "$(doc '' "$(install ' dialog_captoin="Setup"' '')")"
expect invalid "unknown configuration type" "$(doc '' '<configuration type="update"/>')"
expect invalid "configuration without type" "$(doc '' '<configuration/>')"
expect invalid "unknown component type" "$(doc '' "$(install '' '<component type="exe"/>')")"
expect invalid "component type in capitals" "$(doc '' "$(install '' '<component type="MSI"/>')")"
expect invalid "non-boolean flag" "$(doc '' "$(install ' auto_start="yes"' '')")"
expect invalid "numeric flag" "$(component ' required="1"' '')"
expect invalid "non-boolean root flag" "$(doc ' log_enabled="on"' '')"
expect invalid "non-boolean download flag" "$(component '' '<downloaddialog><download componentname="R" sourceurl="https://example.invalid/r.msi" alwaysdownload="no"/></downloaddialog>')"
expect invalid "unknown check type" "$(check 'type="check_dir" path="C:\Q"')"
expect invalid "unknown comparison" "$(check 'type="check_file" filename="C:\q.dll" fileversion="1.0" comparison="version_gte"')"
expect invalid "short root key" "$(check 'type="check_registry_value" rootkey="HKLM" path="Software" fieldname="V" fieldtype="REG_SZ" comparison="exists"')"
expect invalid "unknown registry type" "$(check 'type="check_registry_value" rootkey="HKEY_CURRENT_USER" path="Software" fieldname="V" fieldtype="REG_QWORD" comparison="exists"')"
expect invalid "unknown view option" "$(check 'type="check_registry_value" rootkey="HKEY_CURRENT_USER" path="Software" fieldname="V" fieldtype="REG_SZ" comparison="exists" wowoption="WOW64"')"
expect invalid "id_type in capitals" "$(check 'type="check_product" id_type="ProductCode" id="{926A0445-A99F-4898-9314-BC6808743288}" comparison="exists"')"
expect invalid "id without braces" "$(check 'type="check_product" id_type="productcode" id="926A0445-A99F-4898-9314-BC6808743288" comparison="exists"')"
expect invalid "unknown operator" "$(component '' '<installedcheckoperator type="XOR"/>')"
expect invalid "unknown LCID type" "$(doc ' lcid_type="user"' '')"
expect invalid "UI level in capitals" "$(doc ' ui_level="Silent"' '')"
expect invalid "language filter with a semicolon" "$(doc '' "$(install ' lcid_filter="1031;1033"' '')")"
expect invalid "unknown processor" "$(doc '' "$(install ' processor_architecture_filter="amd64"' '')")"
expect invalid "position of three numbers" "$(doc '' "$(install ' dialog_position="10,20,300"' '')")"
expect invalid "short sha256" "$(component '' '<downloaddialog><download componentname="R" sourceurl="https://example.invalid/r.msi" sha256="9f86d0"/></downloaddialog>')"
expect invalid "download list without a download" "$(component '' '<downloaddialog dialog_caption="Empty"/>')"
expect invalid "unknown child of a download list" "$(component '' '<downloaddialog><file sourceurl="https://example.invalid/r.msi"/></downloaddialog>')"

# The corpus check itself: it fails on an empty corpus and on one document the
# schema refuses among valid ones.
corpus() {
    local wanted=$1 name=$2
    shift 2
    cases=$((cases + 1))
    rm -rf "$work/corpus" && mkdir "$work/corpus"
    local i=0
    for document in "$@"; do
        i=$((i + 1))
        printf '%s' "$document" >"$work/corpus/$i.xml"
    done
    if bash "$(dirname "$0")/validate-corpus.sh" "$schema" "$work/corpus" >"$work/report" 2>&1; then got=pass; else got=fail; fi
    if [ "$got" != "$wanted" ]; then
        failures=$((failures + 1))
        echo "FAIL: corpus $name: expected $wanted, got $got"
        cat "$work/report"
    fi
}
corpus fail "empty"
corpus pass "two valid documents" "$(doc '' '')" "$(component '' '')"
corpus fail "one refused document" "$(doc '' '')" "$(doc '' '<configuration type="update"/>')"

# Every element and attribute the schema declares is in the reference.
reference=$root/docs/configuration.md
for name in $(grep -o '<xs:\(element\|attribute\) name="[a-z_0-9]*"' "$schema" | sed 's/.*name="\(.*\)"/\1/' | sort -u); do
    cases=$((cases + 1))
    if ! grep -q "\`$name\`\|<$name[ >/]" "$reference"; then
        failures=$((failures + 1))
        echo "FAIL: '$name' is declared in the schema but not documented in docs/configuration.md"
    fi
done

echo "$cases schema case(s), $failures failure(s)"
[ "$failures" -eq 0 ]
