#!/bin/bash
# Validates every document the tests had the program's reader accept (see
# tests/support/DocumentCorpus.h) against the schema.
set -uo pipefail
schema=$1
corpus=$2
shopt -s nullglob
documents=("$corpus"/*.xml)
echo "${#documents[@]} accepted document(s) recorded in $corpus"
# Nothing recorded means nothing was checked: the recording is broken, or the
# run selected no test that loads a document (leave this check out of such a
# run with ctest -FC document_corpus).
if [ ${#documents[@]} -eq 0 ]; then
    echo "FAILED: no document was recorded, so none was validated"
    exit 1
fi
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
