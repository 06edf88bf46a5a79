"""Image Label: a new volume label for the image in memory, kept by Save
Image File, as vlm info reads it back."""
import pyatspi

from vellum_e2e import Failure, Vellum, set_text

NEW_LABEL = "ARCHIVE 98"


def main():
    with Vellum("label") as v:
        v.start(v.sample)
        v.wait_status("Successful")

        v.menu("Diskette", "Image Label")
        dialog = v.window("Volume Label Operations")
        set_text(v.find(dialog, "the label box", role=pyatspi.ROLE_TEXT, name="New Image Label:"), NEW_LABEL)
        v.screenshot("label-dialog")
        v.press_button(dialog, "OK")
        v.gone("Volume Label Operations")

        saved = v.save_image("labelled.vlm")
        v.wait_status("Successful")

        info = v.vlm("info", saved).stdout
        if f"Volume label:    {NEW_LABEL}\n" not in info:
            raise Failure(f"the saved image does not carry the new label:\n{info}")


if __name__ == "__main__":
    main()
