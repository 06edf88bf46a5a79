"""Deleting a file: Tools > Delete a file removes the selected file from the
image in memory, and the image saved afterwards no longer holds it."""
import os
import subprocess

import pyatspi

from vellum_e2e import Failure, Vellum, set_text, wait_for


def main():
    with Vellum("delete") as v:
        v.start(v.sample)
        v.wait_status("Successful")

        # The first file of the list, README.TXT, is selected after the open.
        v.menu("Tools", "Delete a file")
        saved = v.path("deleted.vlm")
        v.menu("File", "Save Image File...")
        save = v.window("Save Diskette Image as a Vellum File")
        set_text(v.find(save, "the file name box", role=pyatspi.ROLE_TEXT, name="File name:"), saved)
        v.press_button(save, "Save")
        wait_for("the saved image", lambda: os.path.exists(saved) and os.path.getsize(saved) > 0)

        listing = v.vlm("ls", saved).stdout
        if "README.TXT" in listing or "HELLO.BAT" not in listing:
            raise Failure(f"the saved image should hold all but README.TXT:\n{listing}")
        raw = v.path("deleted.img")
        v.vlm("convert", saved, raw)
        fsck = subprocess.run(["fsck.fat", "-n", raw], capture_output=True, text=True)
        if fsck.returncode != 0:
            raise Failure(f"fsck.fat finds faults:\n{fsck.stdout}{fsck.stderr}")


if __name__ == "__main__":
    main()
