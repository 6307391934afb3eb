#!/usr/bin/env python3
"""Every help topic the program opens ("::/3-35.htm" anywhere in src/) is a page of all three help
files: present in help/<language>/, compiled (listed under [FILES] of QV.hhp), reachable from the
contents, with a heading. Pages that a topic names but nothing compiles would open "page not found".
Usage: topics_test.py <source root>"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
topics = {}
for source in sorted((root / "src").rglob("*")):
    if source.suffix not in (".cpp", ".h"):
        continue
    for page in re.findall(r'"::/([^"]+\.htm)"', source.read_text(encoding="utf-8", errors="replace")):
        topics.setdefault(page, source.relative_to(root))

faults = []
if len(topics) < 10:
    faults.append(f"only {len(topics)} help topics found under {root / 'src'}")
for language in ("en", "tw", "cn"):
    folder = root / "help" / language
    project = (folder / "QV.hhp").read_text(encoding="utf-8")
    files = set(project.split("[FILES]", 1)[1].split()) if "[FILES]" in project else set()
    contents = (folder / "contents.hhc").read_text(encoding="utf-8")
    for page, source in sorted(topics.items()):
        where = f"{language}/{page} (opened by {source})"
        path = folder / page
        if not path.is_file():
            faults.append(f"{where}: no such page")
            continue
        if page not in files:
            faults.append(f"{where}: not listed under [FILES] of QV.hhp, so not compiled")
        if f'value="{page}"' not in contents:
            faults.append(f"{where}: not in contents.hhc")
        if "<h1>" not in path.read_text(encoding="utf-8"):
            faults.append(f"{where}: no <h1> heading")

for fault in faults:
    print(fault)
print(f"{len(topics)} topics checked in three languages, {len(faults)} faults")
sys.exit(1 if faults else 0)
