#!/usr/bin/env python3
"""Checks JSON documents of pihost against its JSON Schema.

Usage: validate_json_documents.py SCHEMA DIR
Every *.jsonl file in DIR holds one document a line (the end-to-end tests record what pihost printed there).
Exits 1 when a line is not UTF-8, not JSON or not valid against the schema, naming file, line and place.
"""
import json
import pathlib
import sys

import jsonschema


def main(schema_path, folder):
    schema = json.loads(pathlib.Path(schema_path).read_text(encoding="utf-8"))
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    documents = problems = 0
    for path in sorted(pathlib.Path(folder).glob("*.jsonl")):
        for number, raw in enumerate(path.read_bytes().splitlines(), 1):
            documents += 1
            try:
                errors = [(e.json_path, e.message) for e in validator.iter_errors(json.loads(raw.decode("utf-8")))]
            except ValueError as e:  # not UTF-8 or not JSON
                errors = [("$", str(e))]
            for where, message in errors:
                problems += 1
                print(f"{path.name}:{number}: {where}: {message}")
    print(f"{documents} documents checked against {schema_path}, {problems} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
