"""Claims and questions that must be true: the Delete key on a folder asks
before it takes the folder's whole tree, and a copy of two diskettes whose
first write is cancelled at "Write protect error" says that the diskette
failed and that none of the two is done."""
import pyatspi

from vellum_e2e import Vellum, set_text


def main():
    with Vellum("copy_and_delete") as v:
        target = v.path("target.img")
        v.vlm("new", "1.44M", "-o", target)
        v.insert("A:", target)
        v.vlm("drive", "protect", "A:")
        v.start(v.sample)
        v.wait_status("Successful")
        v.wait_listed(["DOCS"])

        docs = v.select("DOCS")
        v.key(docs, "Delete")
        v.answer("Delete the folder DOCS and everything in it?", "No", shot="folder-question")
        v.wait_listed(["DOCS", "README.TXT"])
        v.menu("Tools", "Delete a file")
        v.answer("Delete the folder DOCS and everything in it?", "Yes")
        v.wait_listed(["README.TXT"], absent=["DOCS"])

        v.menu("Diskette", "Copy")
        dialog = v.window("Copy Diskette")
        set_text(v.find(dialog, "the copies box", name="Number of Copies", role=pyatspi.ROLE_TEXT), "2")
        v.press_button(dialog, "OK")
        v.answer("Write protect error", "Cancel")
        v.answer("The copy to this diskette failed.\n0 of 2 diskettes completed.", "Cancel", shot="copy-failed")
        v.wait_status("Unsuccessful")


if __name__ == "__main__":
    main()
