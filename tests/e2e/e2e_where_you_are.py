"""What users expect of a window and a list: the Open dialog starts on "*.VLM"
and has Help; the title names the image file; Enter opens a folder, which the
line above the list names, and Backspace goes back to it; Shift+F1 and a click
on Diskette > Compare opens the Compare topic, not the index."""
import pyatspi

from vellum_e2e import Failure, Vellum, set_text, wait_for, walk


def text_of(obj):
    try:
        return obj.queryText().getText(0, -1)
    except NotImplementedError:
        return ""


def folder_line(v, text):
    return v.find(v.main, f'the folder line "{text}"', role=pyatspi.ROLE_LABEL, name=text,
                  description="Folder shown")


def main():
    with Vellum("where_you_are") as v:
        v.start()
        v.menu("File", "Open Image File...")
        dialog = v.window("Open a Vellum File")
        v.button(dialog, "Help")
        name_box = v.find(dialog, "the file name box", role=pyatspi.ROLE_TEXT, name="File name:")
        shown = name_box.queryText().getText(0, -1)
        if shown != "*.VLM":
            raise Failure(f'the name box starts with "{shown}", not "*.VLM"')
        v.screenshot("open-dialog")
        set_text(name_box, v.sample)
        v.press_button(dialog, "Open")
        v.wait_status("Successful")
        wait_for('the title "sample.vlm - Vellum"', lambda: v.main.name == "sample.vlm - Vellum")
        folder_line(v, "\\")

        v.key(v.select("DOCS"), "Return")
        folder_line(v, "\\DOCS")
        v.wait_listed([".."], absent=["DOCS"])
        v.screenshot("in-docs")
        v.key(v.listed(".."), "BackSpace")
        folder_line(v, "\\")
        wait_for("DOCS selected again", lambda: (cell := v.listed("DOCS")) is not None and
                 cell.getState().contains(pyatspi.STATE_SELECTED))

        v.key(v.listed("DOCS"), "F1", modifiers=("Shift_L",))
        v.key(v.listed("DOCS"), "k", modifiers=("Alt_L",))  # Dis&kette opens as usual
        compare = v.find(v.main, "Diskette > Compare", name="Compare", role=pyatspi.ROLE_MENU_ITEM)
        wait_for("the open Diskette menu", lambda: compare.getState().contains(pyatspi.STATE_SHOWING))
        v.click(compare)
        help_window = v.window("Vellum Help")
        wait_for("the Compare topic", lambda: any("Opens the Compare dialog" in text_of(o)
                                                  for o in walk(help_window, enter_bulky=True)))
        v.screenshot("compare-topic")
        if v.status() != "Successful":
            raise Failure("the click in the question-mark mode ran the command")


if __name__ == "__main__":
    main()
