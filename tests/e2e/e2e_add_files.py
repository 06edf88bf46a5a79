"""Making a diskette from one's own files: File > New Image gives a labelled
1.44 MB image, File > Add Files puts host files on it, and the image saved
afterwards holds them byte for byte, as mtools reads it, with fsck.fat clean."""
import os
import subprocess

import pyatspi

from vellum_e2e import Failure, Vellum, set_text, wait_for

FILES = {"Notes for the trip.txt": b"pack the diskettes\n" * 40, "EMPTY.DAT": b"",
         "big.bin": os.urandom(5000)}


def mtools(*args):
    return subprocess.run(args, env=dict(os.environ, MTOOLS_SKIP_CHECK="1"), capture_output=True, check=True).stdout


def main():
    with Vellum("add_files") as v:
        for name, data in FILES.items():
            with open(v.path(name), "wb") as f:
                f.write(data)
        v.start()

        v.menu("File", "New Image...")
        dialog = v.window("New Image")
        set_text(v.find(dialog, "the label box", name="Volume label", role=pyatspi.ROLE_TEXT), "MYFILES")
        v.press_button(dialog, "OK")
        v.gone("New Image")

        v.menu("File", "Add Files...")
        dialog = v.window("Add Files")
        names = " ".join(f'"{v.path(name)}"' for name in FILES)
        set_text(v.find(dialog, "the file name box", name="File name:", role=pyatspi.ROLE_TEXT), names)
        v.press_button(dialog, "Open")
        v.gone("Add Files")
        wait_for("the long name in the file list",
                 lambda: pyatspi.findDescendant(v.main, lambda o: o.name == "Notes for the trip.txt"))
        v.screenshot("added")

        saved = v.save_image("mine.vlm")
        if not v.fsck_clean(saved):
            raise Failure("fsck.fat finds faults in the saved image")
        raw = v.path("mine.img")
        v.vlm("convert", saved, raw)
        if b"MYFILES" not in mtools("mlabel", "-i", raw, "-s", "::"):
            raise Failure("the saved image does not carry the label MYFILES")
        for name, data in FILES.items():
            if mtools("mtype", "-i", raw, "::" + name) != data:
                raise Failure(f'"{name}" reads back other bytes than were added')


if __name__ == "__main__":
    main()
