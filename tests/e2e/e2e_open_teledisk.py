"""An archive's Teledisk image opens like any image: File > Open Image File
lists its files, its comment becomes the image's description, and a file
saved out of it is byte for byte the one on the diskette. A zip of two
images asks which one to open."""
import filecmp
import os
import subprocess
import zipfile

import pyatspi

from vellum_e2e import Failure, Vellum, set_text, wait_for

ROOT_FILES = ["README.TXT", "HELLO.BAT", "DOCS", "GAMES"]
COMMENT = "Sample diskette, archived"


def main():
    with Vellum("open_teledisk") as v:
        raw = v.path("sample.img")
        v.vlm("convert", v.sample, raw)
        teledisk = v.path("sample.td0")
        subprocess.run(["dsktrans", "-itype", "raw", "-otype", "tele", "-comment", COMMENT, raw, teledisk],
                       check=True, capture_output=True)
        v.start()

        v.menu("File", "Open Image File...")
        dialog = v.window("Open a Vellum File")
        set_text(v.find(dialog, "the file name box", role=pyatspi.ROLE_TEXT, name="File name:"), teledisk)
        v.press_button(dialog, "Open")
        v.wait_status("Successful")
        v.wait_listed(ROOT_FILES)
        v.screenshot("teledisk-listed")

        v.select("README.TXT")
        v.menu("File", "Save Selected File")
        chooser = v.window("Copying README.TXT...")
        out = v.path("out")
        os.makedirs(out)
        set_text(v.find(chooser, "the folder box", role=pyatspi.ROLE_TEXT, name="Directory:"), out)
        v.press_button(chooser, "Choose")
        saved = os.path.join(out, "README.TXT")
        wait_for("the saved file", lambda: os.path.exists(saved) and os.path.getsize(saved) > 0)
        extracted = v.path("extracted")
        v.vlm("extract", raw, "README.TXT", "-o", extracted)
        if not filecmp.cmp(saved, os.path.join(extracted, "README.TXT"), shallow=False):
            raise Failure("README.TXT saved from the Teledisk image differs from the diskette's")

        v.menu("File", "Save Image File...")
        save = v.window("Save Diskette Image as a Vellum File")
        box = v.find(save, "the description box", role=pyatspi.ROLE_TEXT, name="File Description:")
        wait_for("the comment as the description", lambda: COMMENT in box.queryText().getText(0, -1))
        v.screenshot("teledisk-description")
        v.press_button(save, "Cancel")

        other = v.path("other.img")
        subprocess.run(["mkfs.fat", "-C", other, "720"], check=True, capture_output=True)
        note = v.path("NOTE.TXT")
        with open(note, "w") as f:
            f.write("the other diskette\n")
        v.vlm("add", other, note)
        archive = v.path("two.zip")
        with zipfile.ZipFile(archive, "w") as z:
            z.write(raw, "sample.img")
            z.write(other, "other.img")
        v.menu("File", "Open Image File...")
        dialog = v.window("Open a Vellum File")
        set_text(v.find(dialog, "the file name box", role=pyatspi.ROLE_TEXT, name="File name:"), archive)
        v.press_button(dialog, "Open")
        which = v.window("Open Image File")
        v.key(v.find(which, "the list of images", role=pyatspi.ROLE_COMBO_BOX), "Down")
        v.screenshot("zip-which")
        v.press_button(which, "OK")
        v.wait_listed(["NOTE.TXT"], absent=ROOT_FILES)


if __name__ == "__main__":
    main()
