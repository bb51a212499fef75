#!/usr/bin/env python3
"""Writes the Windows configuration dialog (template 2003 of tressvale.rc) as script text for the
page's settings panel, so the panel shows the dialog's own texts, groups and places.

usage: dialog_from_rc.py tressvale.rc >> settings.js   (scripts/build-web.sh does this)
"""
import json
import re
import sys

KNOWN_IDS = {"IDC_STATIC": -1, "IDOK": 1, "IDCANCEL": 2}


def fields(text):
    """Splits a resource statement's arguments at commas outside quotes."""
    return [f.strip() for f in re.findall(r'"[^"]*"|[^,]+', text)]


def number(token):
    return KNOWN_IDS[token] if token in KNOWN_IDS else int(token)


def parse(lines):
    dialog, inside = None, False
    for line in lines:
        line = re.sub(r"\s//[^\"]*$", "", line).strip()  # a trailing comment, not a URL
        head = re.match(r"2003\s+DIALOG\s+(.*)", line)
        if head:
            dialog = {"size": [int(v) for v in fields(head.group(1))[2:4]], "items": []}
        elif dialog is None:
            continue
        elif line.startswith("CAPTION"):
            dialog["caption"] = fields(line[len("CAPTION"):])[0].strip('"')
        elif line == "BEGIN":
            inside = True
        elif line == "END" and inside:
            return dialog
        elif inside and line:
            kind, rest = line.split(None, 1)
            args = fields(rest)
            text = args.pop(0).strip('"')
            item = {"kind": kind, "text": text, "id": number(args.pop(0))}
            if kind == "CONTROL":
                item["kind"] = args.pop(0).strip('"')
                args.pop(0)  # style
            item["rect"] = [int(v) for v in args[:4]]
            if "SS_NOTIFY" in line:
                item["link"] = True  # a static that answers clicks: the dialog's links
            dialog["items"].append(item)
    sys.exit("dialog 2003 not found")


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as rc:
        dialog = parse(rc)
    print("// Generated from tressvale.rc by dialog_from_rc.py.")
    items = ",\n  ".join(json.dumps(item) for item in dialog.pop("items"))
    print("const kConfigDialog = " + json.dumps(dialog)[:-1] + ', "items": [\n  ' + items + "]};")
