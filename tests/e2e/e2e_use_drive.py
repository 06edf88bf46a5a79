"""Drive > Use Drive... scans the machine's diskette drives as it opens and
offers each, after the virtual drive, for the letter A: or B:; on a machine
with none it says so, and OK with the virtual drive leaves A: as it was."""
import pyatspi

from vellum_e2e import Failure, Vellum


def main():
    with Vellum("use_drive") as v:
        v.start()
        v.menu("Drive", "Use Drive...")
        dialog = v.window("Use Drive")
        drives = v.find(dialog, "the list of drives", name="Drives found on this machine")
        virtual = v.find(drives, "the virtual drive", name="Virtual drive (diskette image files)")
        for letter in ("A:", "B:"):
            v.find(dialog, f"the letter {letter}", role=pyatspi.ROLE_RADIO_BUTTON, name=letter)
        v.screenshot("use-drive")
        v.click(virtual)  # a machine with a drive offers that one first
        v.press_button(dialog, "OK")
        v.gone("Use Drive")
        shown = v.vlm("drive").stdout
        if "A:" not in shown or "/dev/" in shown.split("B:")[0]:
            raise Failure(f"A: should still be the virtual drive:\n{shown}")


if __name__ == "__main__":
    main()
