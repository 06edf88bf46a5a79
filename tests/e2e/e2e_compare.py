"""Compare with an identical diskette, then with one whose file has one byte
changed: the mismatch dialog names the place, and File + Print save the
report the compare engine writes for that difference."""
import os

import pyatspi

from vellum_e2e import Failure, Vellum, change_one_byte, press, selected_items, set_text, wait_for

SECTOR = 512
TRACK = 18 * SECTOR


def main():
    with Vellum("compare") as v:
        image = v.path("a.img")
        v.vlm("convert", v.sample, image)
        v.insert("A:", image)
        v.start(v.sample)
        v.wait_status("Successful")

        v.menu("Diskette", "Compare")
        dialog = v.window("Compare Diskette")
        ok = v.button(dialog, "OK")
        v.screenshot("compare-dialog")
        press(ok)
        v.gone("Compare Diskette")
        v.wait_status("Successful")

        at = change_one_byte(image)
        press(v.find(v.main, "the Compare button", name="Compare diskette image to selected diskette"))
        mismatch = v.window("Diskette Mismatch")
        shown = {field: v.find(mismatch, field, description=field).name
                 for field in ("Area", "Track", "Sector", "Offset", "Tracks Per Disk")}
        expected = {"Area": "Data Area", "Track": str(at // TRACK + 1), "Sector": str(at % TRACK // SECTOR + 1),
                    "Offset": str(at % SECTOR), "Tracks Per Disk": "160"}
        if shown != expected:
            raise Failure(f"mismatch dialog shows {shown}, expected {expected}")
        diskette = v.find(mismatch, "the diskette list", name="Diskette", role=pyatspi.ROLE_LIST)
        with open(image, "rb") as f:
            f.seek(at - at % 8)
            line = "".join("%02X " % b for b in f.read(8))
        selected = wait_for("a selected line", lambda: selected_items(diskette))
        if selected != [line]:
            raise Failure(f"the diskette list selects {selected}, expected [{line!r}]")
        v.screenshot("mismatch")

        report = v.path("report.txt")
        v.radio(mismatch, "File")
        v.press_button(mismatch, "Print")
        save = v.window("Save compare mismatch informaton as a text file")
        set_text(v.find(save, "the file name box", role=pyatspi.ROLE_TEXT, name="File name:"), report)
        v.press_button(save, "Save")
        wait_for("the saved report", lambda: os.path.exists(report))

        engine_report = v.path("engine-report.txt")
        v.vlm("compare", v.sample, "A:", "--report", engine_report)
        with open(report, "rb") as saved, open(engine_report, "rb") as engine:
            if saved.read() != engine.read():
                raise Failure("the saved report differs from the engine's report")

        v.press_button(mismatch, "Cancel")
        v.gone("Diskette Mismatch")
        v.wait_status("Unsuccessful")
        v.screenshot("after-cancel")


if __name__ == "__main__":
    main()
