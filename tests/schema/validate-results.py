#!/usr/bin/python3
"""Validates every result file the tests recorded against docs/result-file.schema.json.

Usage: validate-results.py SCHEMA FOLDER. Each *.json in FOLDER must be UTF-8
without a byte-order mark, hold one JSON document, and validate against the
schema. Run with Debian's /usr/bin/python3, which has python3-jsonschema.
"""
import glob
import json
import os
import sys

import jsonschema


def main():
    schema_path, folder = sys.argv[1], sys.argv[2]
    with open(schema_path, encoding="utf-8") as source:
        schema = json.load(source)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    files = sorted(glob.glob(os.path.join(folder, "*.json")))
    print("%d result file(s) recorded in %s" % (len(files), folder))
    failed = 0
    for path in files:
        with open(path, "rb") as source:
            data = source.read()
        problems = []
        if data.startswith(b"\xef\xbb\xbf"):
            problems.append("starts with a byte-order mark")
        try:
            document = json.loads(data.decode("utf-8"))
            problems += ["%s: %s" % ("/".join(str(p) for p in error.absolute_path) or "(root)", error.message)
                         for error in validator.iter_errors(document)]
        except (UnicodeDecodeError, ValueError) as error:
            problems.append(str(error))
        if problems:
            failed += 1
            print("--- %s:\n%s\n%s" % (path, "\n".join(problems), data.decode("utf-8", "replace")))
    if failed:
        print("FAILED: %d of %d result file(s) do not validate" % (failed, len(files)))
        return 1
    print("%d result file(s) validate against %s" % (len(files), os.path.basename(schema_path)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
