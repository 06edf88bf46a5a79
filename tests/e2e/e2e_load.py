"""Loading through the Load dialog: its preview lists the diskette's root
folder, and OK reads the diskette into memory. The diskette goes into the
drive from a terminal while Vellum runs, and is write-protected there too:
the program takes both in."""
import pyatspi

from vellum_e2e import Vellum, press, wait_for

ROOT_FILES = ["README.TXT", "HELLO.BAT", "DOCS", "GAMES"]


def main():
    with Vellum("load") as v:
        image = v.path("a.img")
        v.vlm("convert", v.sample, image)
        v.start()
        v.insert("A:", image)

        v.menu("Diskette", "Load")
        dialog = v.window(" Load Diskette Image")
        preview = v.find(dialog, "the preview", name="Files:")
        for name in ROOT_FILES:
            v.find(preview, f'"{name}" in the preview', name=name)
        v.screenshot("load-dialog")

        v.press_button(dialog, "OK")
        v.wait_status("Successful")
        v.screenshot("loaded")

        v.vlm("drive", "protect", "A:")
        drive_menu = v.find(v.main, 'the menu "Drive"', name="Drive")
        press(drive_menu)
        protect = v.find(v.main, 'the menu item "Write-Protect"', name="Write-Protect")
        wait_for("the Drive menu to show the tab vlm set",
                 lambda: protect.getState().contains(pyatspi.STATE_CHECKED))
        v.screenshot("drive-menu")


if __name__ == "__main__":
    main()
