"""A settings file that is no settings file: the program names it at start-up,
runs with its default settings, and leaves the file as it was, though its
first start would put the sample diskette into drive A: and note that there."""
import os

import pyatspi

from vellum_e2e import Failure, Vellum, find, is_main_title, wait_for

GARBAGE = b"Dear diary,\nthis is not the settings of anything.\n"


def main():
    with Vellum("bad_settings") as v:
        settings = v.env["VELLUM_CONFIG"]
        os.makedirs(os.path.dirname(settings))
        with open(settings, "wb") as f:
            f.write(GARBAGE)

        v.launch(v.sample)
        box = v.window("Vellum")
        text = v.find(box, "the message", role=pyatspi.ROLE_LABEL, name=f'The settings file "{settings}"',
                      prefix=True)
        if "starts with its default settings and leaves the file as it is" not in text.name:
            raise Failure(f"the message does not say what happens: {text.name}")
        v.screenshot("bad-settings-message")
        v.press_button(box, "OK")

        v.main = wait_for("the main window", lambda: next(
            (w for w in v.app if w is not None and is_main_title(w.name) and find(w, role=pyatspi.ROLE_MENU_BAR)), None))
        v.wait_status("Successful")
        v.screenshot("running-with-defaults")
        with open(settings, "rb") as f:
            if f.read() != GARBAGE:
                raise Failure("the settings file was changed")


if __name__ == "__main__":
    main()
