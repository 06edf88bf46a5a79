#!/usr/bin/env python3
"""vlm's --json against mtools: an image made and filled by mformat and mcopy
lists in `vlm ls -R --json` name for name and size for size as `mdir -/`
lists it, and `vlm info --json` tells its geometry and label as minfo does.
Usage: check-json.py VLM"""
import json, os, re, subprocess, sys, tempfile

vlm = sys.argv[1]
run = lambda *args: subprocess.run(args, check=True, capture_output=True, text=True).stdout

with tempfile.TemporaryDirectory() as tmp:
    tree, image = os.path.join(tmp, "tree"), os.path.join(tmp, "disk.img")
    os.makedirs(os.path.join(tree, "Sub Folder", "deep"))
    files = {"Long File Name.txt": b"hello\n", "BIN.DAT": os.urandom(5000),
             "Sub Folder/Café menu.txt": b"x" * 700, "Sub Folder/deep/EMPTY": b""}
    for name, data in files.items():
        with open(os.path.join(tree, name), "wb") as f:
            f.write(data)
    run("mformat", "-C", "-f", "1440", "-v", "TESTVOL", "-i", image, "::")
    run("mcopy", "-s", "-i", image, *[os.path.join(tree, n) for n in sorted(os.listdir(tree))], "::")

    # mdir -/: "Directory for ::/PATH" blocks of "BASE     EXT  SIZE|<DIR> DATE TIME [LONG NAME]".
    expected, folder = set(), None
    row = re.compile(r"^(.{8}) (.{3}) +(<DIR>|\d+) +\d{4}-\d\d-\d\d +\d+:\d\d ?(.*)$")
    for line in run("mdir", "-/", "-i", image, "::").splitlines():
        if line.startswith("Directory for ::/"):
            folder = line[len("Directory for ::/"):]
        elif (m := row.match(line)) and folder is not None:
            base, ext, size, long = (g.strip() for g in m.groups())
            name = long or (base + ("." + ext if ext else ""))
            if name not in (".", ".."):
                expected.add((folder, name, 0 if size == "<DIR>" else int(size)))

    listed = set()
    def walk(entries, folder):
        for e in entries:
            if e["shortName"] in (".", ".."):
                continue
            listed.add((folder, e["name"], e["size"]))
            if e["directory"]:
                walk(e["entries"], (folder + "/" if folder else "") + e["name"])
    walk(json.loads(run(vlm, "ls", "-R", "--json", image))["images"][0]["entries"], "")

    failed = False
    if listed != expected:
        print("vlm ls -R --json and mdir -/ differ:\n  only vlm:", sorted(listed - expected),
              "\n  only mdir:", sorted(expected - listed))
        failed = True

    minfo = dict(re.findall(r"^([a-z ()]+?)[:=] *\"?(.*?)\"?$", run("minfo", "-i", image, "::"), re.M))
    info = json.loads(run(vlm, "info", "--json", image))["images"][0]
    pairs = {"bytesPerSector": int(minfo["sector size"].split()[0]),
             "sectorsPerCluster": int(minfo["cluster size"].split()[0]),
             "reservedSectors": int(minfo["reserved (boot) sectors"]),
             "fats": int(minfo["fats"]), "rootEntries": int(minfo["max available root directory slots"]),
             "totalSectors": int(minfo["small size"].split()[0]), "sectorsPerFat": int(minfo["sectors per fat"]),
             "sectorsPerTrack": int(minfo["sectors per track"]), "label": minfo["disk label"].strip()}
    for field, value in pairs.items():
        if info[field] != value:
            print(f"info --json {field} is {info[field]!r}, minfo says {value!r}")
            failed = True
    sys.exit(1 if failed else 0)
