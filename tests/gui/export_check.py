"""Reads back a file the window's "Export Results..." wrote and compares its records with the
streams the store test build's scan lists (its fixture), in CSV or JSON Lines.
Usage: export_check.py csv|jsonl FILE"""
import csv
import json
import sys

# The seven streams a full scan of the store lists (small download marks left out), with their sizes.
EXPECTED = {
    ("C:\\Users\\Public\\Downloads\\setup.exe:Zone.Identifier", "Zone.Identifier", 131),
    ("C:\\Users\\Public\\Documents\\report.docx:summary", "summary", 26),
    ("C:\\Users\\Public\\Documents\\report.docx:thumbnail", "thumbnail", 16),
    ("D:\\Projects\\notes.txt:hidden", "hidden", 44),
    ("D:\\Photos\\holiday.jpg:exif", "exif", 12),
    ("D:\\Photos\\holiday.jpg:gps", "gps", 19),
    ("D:\\Archive\\backup.zip:payload", "payload", 3 << 30),
}


def records(kind, path):
    if kind == "csv":
        with open(path, encoding="utf-8-sig", newline="") as f:
            return list(csv.DictReader(f))
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f]


def main():
    kind, path = sys.argv[1], sys.argv[2]
    rows = records(kind, path)
    got = {(r["full_path"], r["stream_name"], int(r["size"])) for r in rows}
    problems = []
    if len(rows) != len(EXPECTED) or got != EXPECTED:
        problems.append("records %s, expected %s" % (sorted(got), sorted(EXPECTED)))
    by_path = {r["full_path"]: r for r in rows}
    summary = by_path.get("C:\\Users\\Public\\Documents\\report.docx:summary", {})
    if summary.get("preview") != "Quarterly figures, draft 3":
        problems.append("the summary's preview: %r" % summary.get("preview"))
    mark = by_path.get("C:\\Users\\Public\\Downloads\\setup.exe:Zone.Identifier", {})
    host = mark.get("zone", {}).get("fields", {}).get("HostUrl") if kind == "jsonl" else mark.get("host_url")
    if host != "https://downloads.example.org/tools/setup.exe":
        problems.append("the download mark's HostUrl: %r (record %r)" % (host, mark))
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)


main()
