"""Diskette > Rescue on a diskette whose README.TXT holds a sector that never
reads: the grid of sectors shows the passes, the status names the one bad
sector, the map is written and the files are listed as after a load."""
import os

from vellum_e2e import Vellum, set_text, wait_for

# Logical sector 33, the first of README.TXT on the sample.
BAD_SECTOR = "0 1 16 bad\n"


def main():
    with Vellum("rescue") as v:
        image = v.sample_with_faults(BAD_SECTOR)
        v.start()
        v.insert("A:", image)

        v.menu("Diskette", "Rescue...")
        dialog = v.window("Rescue Diskette")
        map_file = v.path("a.map")
        set_text(v.find(dialog, "the map file", name="Map file:"), map_file)
        v.screenshot("rescue-dialog")
        v.press_button(dialog, "OK")

        grid = v.window("Rescue")
        v.wait_status("Unsuccessful - 1 bad sector")
        wait_for("the grid at its last pass", lambda: grid.description == "Pass 3 of 3")
        v.wait_listed(["README.TXT", "HELLO.BAT"])
        wait_for("the map file", lambda: os.path.exists(map_file))
        v.screenshot("rescue-grid")


if __name__ == "__main__":
    main()
