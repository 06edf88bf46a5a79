"""Deleting a file: Tools > Delete a file removes the selected file from the
image in memory, and the image saved afterwards no longer holds it."""
from vellum_e2e import Failure, Vellum


def main():
    with Vellum("delete") as v:
        v.start(v.sample)
        v.wait_status("Successful")

        # The first file of the list, README.TXT, is selected after the open.
        v.menu("Tools", "Delete a file")
        saved = v.save_image("deleted.vlm")

        listing = v.vlm("ls", saved).stdout
        if "README.TXT" in listing or "HELLO.BAT" not in listing:
            raise Failure(f"the saved image should hold all but README.TXT:\n{listing}")
        if not v.fsck_clean(saved):
            raise Failure("fsck.fat finds faults in the saved image")


if __name__ == "__main__":
    main()
