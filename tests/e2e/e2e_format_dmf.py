"""Format DMF: a blank diskette formatted with a label passes fsck.fat, and
mdir lists the label."""
import os
import subprocess

import pyatspi

from vellum_e2e import Failure, Vellum, set_text

LABEL = "SHIP KIT"


def main():
    with Vellum("format_dmf") as v:
        blank = v.path("blank.img")
        v.vlm("drive", "blank", "A:", "1.44M", "-o", blank)
        v.start(v.sample)
        v.wait_status("Successful")

        v.menu("Diskette", "Format DMF")
        dialog = v.window("Format DMF Diskette")
        v.radio(dialog, "Full Format")
        set_text(v.find(dialog, "the label box", role=pyatspi.ROLE_TEXT, name="Volume Label:"), LABEL)
        v.screenshot("format-dialog")
        v.press_button(dialog, "Format")
        v.gone("Format DMF Diskette")
        v.wait_status("Successful")

        if os.path.getsize(blank) != 80 * 2 * 21 * 512:
            raise Failure(f"the diskette holds {os.path.getsize(blank)} bytes, not a DMF diskette's")
        if not v.fsck_clean(blank):
            raise Failure("fsck.fat finds faults on the formatted diskette")
        env = dict(os.environ, MTOOLS_SKIP_CHECK="1")
        listing = subprocess.run(["mdir", "-i", blank, "::"], capture_output=True, text=True, env=env).stdout
        if f"is {LABEL}" not in listing:
            raise Failure(f"mdir does not show the label:\n{listing}")


if __name__ == "__main__":
    main()
