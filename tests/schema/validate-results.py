#!/usr/bin/python3
"""Validates the result files the tests recorded: validate-results.py SCHEMA FOLDER.

Each FOLDER/*.json must be UTF-8 without a byte-order mark and valid against
the schema. Needs Debian's /usr/bin/python3 with python3-jsonschema.
"""
import glob
import json
import os
import sys

import jsonschema

schema_path, folder = sys.argv[1:3]
with open(schema_path, encoding="utf-8") as source:
    validator = jsonschema.Draft202012Validator(json.load(source))
validator.check_schema(validator.schema)
files = sorted(glob.glob(os.path.join(folder, "*.json")))
failed = 0
for path in files:
    with open(path, "rb") as source:
        data = source.read()
    try:
        if data.startswith(b"\xef\xbb\xbf"):
            raise ValueError("starts with a byte-order mark")
        problems = [error.message for error in validator.iter_errors(json.loads(data.decode("utf-8")))]
    except ValueError as error:  # bad UTF-8 or JSON too
        problems = [str(error)]
    if problems:
        failed += 1
        print("--- %s:\n%s\n%s" % (path, "\n".join(problems), data.decode("utf-8", "replace")))
print("%d of %d result file(s) in %s validate against %s"
      % (len(files) - failed, len(files), folder, os.path.basename(schema_path)))
sys.exit(1 if failed else 0)
