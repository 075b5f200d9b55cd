#!/usr/bin/python3
"""Where the stream commands' targets lie on a screenshot of the main window, and what its tree shows
(Pillow: Debian's python3-pil). Uses the alert-panel finder of check_screen.py.

stream_layout.py layout SHOT     prints "ox oy list_top": the client origin and the top of the list
stream_layout.py rows SHOT       prints the number of stream rows the tree shows (grey rows / 17)
stream_layout.py finished SHOT   exits 0 when the alert panel shows the finished colours
stream_layout.py checked SHOT ROW  prints "checked" or "unchecked": the state the check box of the
                                 tree's row (from 0) shows; exit code 1 (and nothing printed) when
                                 no window, no box or no clear state is seen there
stream_layout.py browser_ready SHOT X Y  exits 0 when the folder browser at (X, Y) shows its first
                                 item, "Desktop", selected in its focused tree
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_screen  # noqa: E402

ROW_HEIGHT = 17


def find(shot, mode):
    found = check_screen.check_panel(shot, mode)
    if found is None:
        sys.exit(1)
    return found


SELECTED_ITEM = check_screen.rgb("#3096FA")
CHECK_FRAME = check_screen.rgb("#8E8F8F")
CHECK_MARK = check_screen.rgb("#202020")


def main():
    what, path = sys.argv[1], sys.argv[2]
    shot = check_screen.Shot(path)
    if what == "browser_ready":
        x, y = int(sys.argv[3]), int(sys.argv[4])
        selected = sum(1 for dx in range(45, 90) for dy in range(58, 74) if shot.at(x + dx, y + dy) == SELECTED_ITEM)
        sys.exit(0 if selected > 200 else 1)
    if what == "finished":
        sys.stdout = open(os.devnull, "w")
        find(shot, "finished")
        sys.exit(0)
    sys.stdout, printed = open(os.devnull, "w"), sys.stdout
    ox, oy, list_top = find(shot, "finished")
    sys.stdout = printed
    if what == "layout":
        print(ox, oy, list_top)
    elif what == "rows":
        grey = sum(1 for y in range(list_top + 54, oy + 420)
                   if sum(1 for x in range(ox + 40, ox + 530) if shot.at(x, y) == check_screen.STREAM_ROW) > 300)
        print((grey + ROW_HEIGHT // 2) // ROW_HEIGHT)
    elif what == "checked":
        # The box of a stream row lies 46 to 58 px right of the client's left: a 13 px frame around a
        # white fill, with a dark mark inside when checked.
        y = list_top + 30 + 24 + ROW_HEIGHT * int(sys.argv[3]) + 9
        area = [(x, y + dy) for x in range(ox + 40, ox + 66) for dy in range(-9, 10)]
        frame = sum(1 for p in area if shot.at(*p) == CHECK_FRAME)
        fill = sum(1 for p in area if shot.at(*p) == (255, 255, 255))
        mark = sum(1 for p in area if shot.at(*p) == CHECK_MARK)
        if frame < 40:
            sys.exit(1)  # no box there
        if mark >= 5:
            print("checked")
        elif mark == 0 and fill >= 70:
            print("unchecked")
        else:
            sys.exit(1)


if __name__ == "__main__":
    main()
