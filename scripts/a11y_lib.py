"""What the AT-SPI client scripts share: finding the program on the accessibility bus, finding its
controls, reading their names and states afresh, pressing them."""
import time

import pyatspi


def find_app(name="shuhui", timeout=30.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.5)
    raise SystemExit("program %r not found on the accessibility bus" % name)


def fresh(acc):
    """Drops the client-side cache so names and states are read from the program again."""
    try:
        acc.clear_cache()
    except AttributeError:
        pass
    return acc


def find(root, pred, what, timeout=5.0):
    """The first descendant of root for which pred holds, waiting up to timeout seconds for it."""
    deadline = time.time() + timeout
    while True:
        found = pyatspi.utils.findDescendant(fresh(root), lambda a: a is not None and pred(a))
        if found is not None or time.time() > deadline:
            break
        time.sleep(0.2)
    if found is None:
        raise SystemExit("not found: %s" % what)
    return found


def by_description(root, name):
    """The control whose accessible description is name (the control name)."""
    return find(root, lambda a: a.description == name, "control %r" % name)


def press(acc):
    action = acc.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    index = names.index("Press") if "Press" in names else 0
    action.doAction(index)


def checked(acc):
    return fresh(acc).getState().contains(pyatspi.STATE_CHECKED)


def name_of(acc):
    return fresh(acc).name
