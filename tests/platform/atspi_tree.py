# What a screen reader on the desktop reads from the running program over AT-SPI: every control that
# shows has a name, and the gallery's rows show only while the gallery page does. Exit 77: no bus.
import sys
import time

try:
    import gi
    gi.require_version('Atspi', '2.0')
    from gi.repository import Atspi
except (ImportError, ValueError) as e:
    print(f"no AT-SPI bindings: {e}")
    sys.exit(77)

NAMED_ROLES = {'push button', 'check box', 'radio button', 'text', 'page tab', 'table', 'tree', 'progress bar',
               'image', 'combo box', 'menu item', 'slider', 'spin button', 'list'}


def showing(acc):
    return acc.get_state_set().contains(Atspi.StateType.SHOWING)


def walk(acc, path, found):
    role, name = acc.get_role_name(), acc.get_name()
    here = f"{path}/{role}:{name}"
    found.append((acc, role, name, here))
    if role in ('table', 'tree'):
        return  # cells are checked on their own: an empty cell rightly says nothing
    for i in range(acc.get_child_count()):
        child = acc.get_child_at_index(i)
        if child is not None:
            walk(child, here, found)


def find_frame(deadline):
    while time.time() < deadline:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is None or app.get_name() != 'Kestrin':
                continue
            for j in range(app.get_child_count()):
                frame = app.get_child_at_index(j)
                if frame is not None and frame.get_role_name() == 'frame' and showing(frame):
                    return frame
        time.sleep(0.3)
    return None


def first_cell_showing(view):
    cell = Atspi.Table.get_accessible_at(view, 0, 0)
    return cell is not None and showing(cell)


def settles(condition, seconds=5):
    deadline = time.time() + seconds
    while not condition():
        if time.time() > deadline:
            return False
        time.sleep(0.1)
    return True


def main():
    frame = find_frame(time.time() + 30)
    if frame is None:
        print("FAIL: the window never appeared on the accessibility bus")
        return 1
    time.sleep(1)  # the rows come with the first category
    found = []
    walk(frame, '', found)
    failures = [here for acc, role, name, here in found if role in NAMED_ROLES and showing(acc) and not name.strip()]
    views = {name: acc for acc, role, name, here in found if role in ('table', 'tree')}
    tabs = {name: acc for acc, role, name, here in found if role == 'page tab'}
    for needed in ('图库最新上传', '文件列表'):
        if needed not in views:
            failures.append(f"no list named {needed}")
    if '软件模式' not in tabs or '图库模式' not in tabs:
        failures.append(f"page tabs: {sorted(tabs)}")
    if not failures:
        for tab, shown, hidden in (('软件模式', '文件列表', '图库最新上传'), ('图库模式', '图库最新上传', '文件列表')):
            Atspi.Action.do_action(tabs[tab], 0)
            if not settles(lambda: first_cell_showing(views[shown]) and not first_cell_showing(views[hidden])):
                failures.append(f"on {tab}: rows of {shown} showing {first_cell_showing(views[shown])}, "
                                f"of {hidden} {first_cell_showing(views[hidden])}")
    for f in failures:
        print("FAIL:", f)
    print(f"{len(found)} objects read, {len(failures)} faults")
    return 1 if failures else 0


sys.exit(main())
