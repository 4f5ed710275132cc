"""Drives the installed program over the accessibility bus, as a screen reader
user would: types a text, writes it to an MP3 file through the output dialog,
and opens the home page, which (no program opens pages here) tells where the
installed page is. Run with Debian's /usr/bin/python3 (python3-pyatspi).
Usage: write_mp3.py OUTPUT.mp3"""
import os
import sys
import time

import pyatspi


def walk(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def find(root, role, pred=lambda a: True):
    for acc in walk(root):
        if acc.getRoleName() == role and pred(acc):
            return acc
    return None


def eventually(look, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        try:
            found = look()
        except Exception:
            found = None
        if found:
            return found
        time.sleep(0.25)
    raise SystemExit(f"gave up waiting for {look.__doc__ or 'a window'}")


def top_level(name):
    def look():
        for app in pyatspi.Registry.getDesktop(0):
            for i in range(app.childCount if app else 0):
                window = app.getChildAtIndex(i)
                if window is not None and window.name == name:
                    return window
    return eventually(look)


def press(acc):
    # A press that opens a modal dialog is answered only once the dialog
    # closes: deliver it and go on without the answer.
    pyatspi.setTimeout(2000, 15000)
    try:
        acc.queryAction().doAction(0)
    except Exception as error:
        if "reply" not in str(error) and "Timeout" not in str(error):
            raise
    finally:
        pyatspi.setTimeout(25000, 15000)


def labelled(name):
    def pred(acc):
        return any(r.getRelationType() == pyatspi.RELATION_LABELLED_BY and
                   r.getTarget(0).name == name for r in acc.getRelationSet())
    return pred


output = sys.argv[1]
frame = top_level("Vocalith")
editor = eventually(lambda: find(frame, "text"))
editor.queryEditableText().setTextContents("Hello from the installed package.")
# The control bar's button, once the idle refresh has enabled it for the text.
write = eventually(lambda: find(frame, "push button", lambda a: a.name == "Write... (Ctrl+W)" and
                                a.getState().contains(pyatspi.STATE_ENABLED)))
press(write)

dialog = top_level("Select output audio file")
mp3 = find(dialog, "radio button", lambda a: a.name == "MP3 compression")
if not mp3.getState().contains(pyatspi.STATE_ENABLED):
    raise SystemExit("MP3 is not offered: the encoder library was not found")
press(mp3)
find(dialog, "text", labelled("Output file")).queryEditableText().setTextContents(output)
press(find(dialog, "push button", lambda a: a.name == "OK"))


def written():
    """the MP3 file, its intermediate WAV file gone"""
    return (os.path.exists(output) and os.path.getsize(output) > 1000 and
            not os.path.exists(output + ".wav"))


eventually(written, 60)
with open(output, "rb") as f:
    head = f.read(2)
if head[0] != 0xFF or (head[1] & 0xE0) != 0xE0:
    raise SystemExit("the output does not start with an MP3 frame")

website = find(frame, "menu item", lambda a: a.name == "Vocalith web site...")
press(website)


def page_path():
    """the box that says where the page is"""
    for app in pyatspi.Registry.getDesktop(0):
        for acc in walk(app):
            if acc.getRoleName() == "label" and "It is at:" in (acc.name or ""):
                return acc
    return None


label = eventually(page_path)
page = label.name.split("\n")[-1]
print("page:", page)
if not os.path.isfile(page):
    raise SystemExit(f"the page {page} is not installed")
print("ok")
