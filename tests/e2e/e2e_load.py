"""Loading through the Load dialog: its preview lists the diskette's root
folder, and OK reads the diskette into memory."""
from vellum_e2e import Vellum

ROOT_FILES = ["README.TXT", "HELLO.BAT", "DOCS", "GAMES"]


def main():
    with Vellum("load") as v:
        image = v.path("a.img")
        v.vlm("convert", v.sample, image)
        v.insert("A:", image)
        v.start()

        v.menu("Diskette", "Load")
        dialog = v.window(" Load Diskette Image")
        preview = v.find(dialog, "the preview", name="Files:")
        for name in ROOT_FILES:
            v.find(preview, f'"{name}" in the preview', name=name)
        v.screenshot("load-dialog")

        v.press_button(dialog, "OK")
        v.wait_status("Successful")
        v.screenshot("loaded")


if __name__ == "__main__":
    main()
