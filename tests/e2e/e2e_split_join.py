"""Join/Split a file: a 3 MB file split for 1.44 MB diskettes into three
pieces, the pieces gathered on the Join page and joined again, giving back
the same bytes."""
import os

import pyatspi

from vellum_e2e import Failure, Vellum, press, set_text, wait_for

SHEET = "Join/Split a file"
PIECES = ["data.001", "data.002", "data.003"]


def items(list_obj):
    return [item.name for item in pyatspi.findAllDescendants(list_obj, lambda o: o.getRole() ==
                                                             pyatspi.ROLE_LIST_ITEM)]


def main():
    with Vellum("split_join") as v:
        source = v.path("data.bin")
        original = os.urandom(3_000_000)
        with open(source, "wb") as f:
            f.write(original)
        pieces, joined = v.path("pieces"), v.path("joined")
        os.makedirs(pieces)
        os.makedirs(joined)
        v.start(v.sample)
        v.wait_status("Successful")

        v.menu("Tools", "&Join/Split a file")
        sheet = v.window(SHEET)
        press(v.find(sheet, "the Split tab", name="Split", role=pyatspi.ROLE_PAGE_TAB))
        set_text(v.find(sheet, "the source box", name="File to split:", role=pyatspi.ROLE_TEXT), source)
        set_text(v.find(sheet, "the destination box", name="Destination:", role=pyatspi.ROLE_TEXT), pieces)
        v.radio(sheet, "1.44M")
        v.press_button(sheet, "Split")
        created = v.find(sheet, "the created list", name="Files created:", role=pyatspi.ROLE_LIST)
        wait_for("three pieces in the created list", lambda: items(created) == PIECES)
        if sorted(os.listdir(pieces)) != PIECES:
            raise Failure(f"the destination holds {sorted(os.listdir(pieces))}, not {PIECES}")
        v.screenshot("split")

        press(v.find(sheet, "the Join tab", name="Join", role=pyatspi.ROLE_PAGE_TAB))
        v.press_button(sheet, "Browse for source file")
        dialog = v.window("Select VLM Generated Split Files")
        names = " ".join(f'"{os.path.join(pieces, name)}"' for name in PIECES)
        set_text(v.find(dialog, "the file name box", name="File name:", role=pyatspi.ROLE_TEXT), names)
        v.screenshot("pieces-chosen")
        v.press_button(dialog, "Open")
        v.gone("Select VLM Generated Split Files")

        files = v.find(sheet, "the file list", name="File list:", role=pyatspi.ROLE_LIST)
        wait_for("the pieces in the file list", lambda: items(files) == PIECES)
        for item in pyatspi.findAllDescendants(files, lambda o: o.getRole() == pyatspi.ROLE_LIST_ITEM):
            press(item)
        v.press_button(sheet, "---->")
        to_join = v.find(sheet, "the join list", name="Files to Join:", role=pyatspi.ROLE_LIST)
        wait_for("the pieces in the join list", lambda: items(to_join) == PIECES)
        set_text(v.find(sheet, "the target box", name="Enter target directory:", role=pyatspi.ROLE_TEXT), joined)
        v.press_button(sheet, "Join")
        v.find(sheet, "the completed join", name="Join operation completed ...", description="Processing:")
        v.screenshot("joined")

        with open(os.path.join(joined, "data.bin"), "rb") as f:
            if f.read() != original:
                raise Failure("the joined file differs from the source")
        v.press_button(sheet, "Done")
        v.gone(SHEET)


if __name__ == "__main__":
    main()
