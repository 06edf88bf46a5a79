"""A diskette whose second track takes ten seconds to read: while Load waits
for it, the window still answers, so Cancel asks "Are you sure?" before the
read is over, and Yes stops the load at the next track. While a rescue waits
for it, the window answers the accessibility bus within a second."""
import time

from vellum_e2e import Failure, Vellum, set_text

SLOW_MS = 10_000
SLOW_SECTOR = f"0 1 1 slow {SLOW_MS}\n"
ANSWER_WITHIN_S = 1.0


def quickest_answer(v):
    """The quickest of three reads of the status over the bus, and the status read."""
    times = []
    for _ in range(3):
        asked = time.monotonic()
        status = v.status()
        times.append(time.monotonic() - asked)
    return min(times), status


def main():
    with Vellum("slow_drive") as v:
        image = v.sample_with_faults(SLOW_SECTOR)
        v.start()
        v.insert("A:", image)

        v.menu("Diskette", "Load")
        dialog = v.window(" Load Diskette Image")
        v.find(dialog, "the preview", name="README.TXT")
        v.press_button(dialog, "OK")
        started = time.monotonic()
        progress = v.window("Loading Diskette Image")
        v.press_button(progress, "Cancel")
        v.answer("Are you sure?", "Yes", shot="slow-cancel")
        asked = time.monotonic() - started
        if asked >= SLOW_MS / 1000:
            raise Failure(f"the question came after {asked:.1f} s, once the slow read was over")
        v.wait_status("Cancelled by Operator")

        v.menu("Diskette", "Rescue...")
        dialog = v.window("Rescue Diskette")
        set_text(v.find(dialog, "the map file", name="Map file:"), v.path("a.map"))
        v.press_button(dialog, "OK")
        v.window("Rescue")
        took, status = quickest_answer(v)
        if status != "In Progess":
            raise Failure(f'the status read "{status}", not the rescue under way')
        if took >= ANSWER_WITHIN_S:
            raise Failure(f"the window took {took:.2f} s to answer during the rescue")
        v.wait_status("Successful")


if __name__ == "__main__":
    main()
