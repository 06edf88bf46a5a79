"""Printing a mismatch: the print dialog writes a PDF of one page, and Print
Preview shows the same single page."""
import os
import re
import subprocess

import pyatspi

from vellum_e2e import Failure, Vellum, change_one_byte, press, set_text, wait_for


def main():
    with Vellum("print") as v:
        image = v.path("a.img")
        v.vlm("convert", v.sample, image)
        change_one_byte(image)
        v.insert("A:", image)
        v.start(v.sample)
        v.wait_status("Successful")

        press(v.find(v.main, "the Compare button", name="Compare diskette image to selected diskette"))
        mismatch = v.window("Diskette Mismatch")
        v.press_button(mismatch, "Print")
        dialog = v.window("Print")
        pdf = v.path("mismatch.pdf")
        set_text(v.find(dialog, "the output file box", role=pyatspi.ROLE_TEXT, name="Output file:"), pdf)
        v.screenshot("print-dialog")
        v.press_button(dialog, "Print")
        wait_for("the PDF", lambda: os.path.exists(pdf) and os.path.getsize(pdf) > 0)
        info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
        if not re.search(r"^Pages:\s+1$", info, re.MULTILINE):
            raise Failure(f"the printout is not one page:\n{info}")
        subprocess.run(["pdftoppm", "-png", "-r", "50", "-singlefile", pdf, os.path.join(v.out, "printout")],
                       check=True)

        v.press_button(mismatch, "Resume Compare")
        v.wait_status("Successful")
        v.menu("File", "Print Preview")
        preview = v.window("Print Preview")
        v.find(preview, "the page count", role=pyatspi.ROLE_LABEL, name="/ 1")
        # The window is wide enough for its whole toolbar, so Print is not behind the overflow arrow.
        wait_for("the preview's Print button on show", lambda: v.button(preview, "Print").getState().contains(
            pyatspi.STATE_SHOWING), timeout=5)
        v.screenshot("print-preview")


if __name__ == "__main__":
    main()
