"""Memory that holds unsaved changes is never replaced without a question,
and a command that fails or is cancelled leaves it as it was: opening a file
that is no image, Initialize, a delete on the diskette through its context
menu (which reads the diskette again). A Load answered No takes the diskette
and "(changed)" goes; Refresh with a DMF diskette formatted meanwhile in A:
loads that diskette rather than mixing it with memory's 1.44 MB layout."""
import pyatspi

from vellum_e2e import Failure, Vellum, press, set_text

SAVE_FIRST = "The image in memory holds changes that are not saved."


def main():
    with Vellum("unsaved_changes") as v:
        image = v.path("a.img")
        v.vlm("convert", v.sample, image)
        v.insert("A:", image)
        with open(v.path("notes.txt"), "w") as f:
            f.write("not a diskette image\n")
        v.start()
        load = v.find(v.main, "the Load button", name="Load diskette into memory")
        press(load)
        v.wait_status("Successful")

        # README.TXT, the first row, goes from memory.
        v.menu("Tools", "Delete a file")
        v.wait_memory("  Memory Status:    1.44Mb       (changed)")
        v.wait_listed(["HELLO.BAT"], absent=["README.TXT"])

        # A file that is no image: the open fails and memory stays as it was.
        v.menu("File", "Open Image File...")
        dialog = v.window("Open a Vellum File")
        set_text(v.find(dialog, "the file name box", role=pyatspi.ROLE_TEXT, name="File name:"), v.path("notes.txt"))
        v.press_button(dialog, "Open")
        v.answer(SAVE_FIRST, "No")
        v.answer(f'"{v.path("notes.txt")}" is 21 bytes long', "OK")
        v.wait_status("Unsuccessful")
        v.wait_listed(["HELLO.BAT"], absent=["README.TXT"])
        v.wait_memory("  Memory Status:    1.44Mb       (changed)")

        # Initialize asks first; Cancel keeps everything.
        v.menu("Diskette", "Initialize")
        v.answer(SAVE_FIRST, "Cancel", shot="initialize-question")
        v.wait_listed(["HELLO.BAT"], absent=["README.TXT"])

        # Deleting HELLO.BAT on the diskette reads the diskette again, after asking.
        v.right_click(v.listed("HELLO.BAT"))
        v.key(v.main, "d")  # Delete, by its mnemonic: a popup menu is not on the accessibility tree
        v.answer('Are you sure you want to delete "HELLO.BAT" from the diskette?', "Yes")
        v.answer(SAVE_FIRST, "Cancel")
        v.wait_listed(["HELLO.BAT"], absent=["README.TXT"])
        v.wait_memory("  Memory Status:    1.44Mb       (changed)")
        if "HELLO.BAT" in v.vlm("ls", image).stdout:
            raise Failure("HELLO.BAT is still on the diskette")

        # Load answered No takes the diskette, and memory is no longer changed.
        press(load)
        v.answer(SAVE_FIRST, "No")
        v.wait_listed(["README.TXT"], absent=["HELLO.BAT"])
        v.wait_memory("  Memory Status:    1.44Mb      ")

        # Refresh (F5) with a DMF diskette in A: loads it whole.
        v.menu("Tools", "Delete a file")
        v.wait_memory("  Memory Status:    1.44Mb       (changed)")
        v.vlm("format-dmf", "A:", "--label", "SHIP KIT", "--yes")
        status = v.find(v.main, "the memory status", role=pyatspi.ROLE_LABEL, name="  Memory Status:", prefix=True)
        v.click(status)  # a window takes keys once it was clicked
        v.key(status, "F5")
        v.answer(SAVE_FIRST, "No")
        v.wait_memory("  Memory Status:    1.68Mb (DMF)")
        v.wait_listed(["No Files Found"], absent=["DOCS"])
        v.screenshot("dmf-refreshed")


if __name__ == "__main__":
    main()
