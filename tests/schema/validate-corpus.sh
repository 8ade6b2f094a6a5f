#!/bin/bash
# Validates every document the tests had the program's reader accept (see
# tests/support/DocumentCorpus.h) against the schema.
set -uo pipefail
schema=$1
corpus=$2
shopt -s nullglob
documents=("$corpus"/*.xml)
echo "${#documents[@]} accepted document(s) recorded in $corpus"
[ ${#documents[@]} -eq 0 ] && exit 0
report=$(xmllint --noout --schema "$schema" "${documents[@]}" 2>&1)
status=$?
failed=$(grep -v ' validates$' <<<"$report" | grep -o "^$corpus/[0-9a-f]*\.xml" | sort -u)
if [ $status -ne 0 ] || [ -n "$failed" ]; then
    grep -v ' validates$' <<<"$report"
    for document in $failed; do
        echo "--- $document:"
        cat "$document"
        echo
    done
    echo "FAILED: $(wc -w <<<"$failed") of ${#documents[@]} document(s) do not validate"
    exit 1
fi
echo "${#documents[@]} document(s) validate against $(basename "$schema")"
