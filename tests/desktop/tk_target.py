"""A Tk program driven over stdin, one command per line, one answer line per command.

It shows an entry at a known place and takes the keyboard focus, so that the desktop layer has a
real, independent text field to type into. Answers are JSON so that any text survives the pipe.
"""
import json
import sys
import tkinter as tk

sys.stdout.reconfigure(encoding="utf-8")
root = tk.Tk()
root.geometry("400x60+200+150")
entry = tk.Entry(root, font=("Noto Sans CJK JP", 14))
entry.pack(fill="both", expand=True)
keys = []
# What the entry held when each key arrived: a key that overtakes a paste finds the text missing.
seen = []


def record(name):
    keys.append(name)
    seen.append(entry.get())
    # Tab would move the focus away from the entry; the tests only need to see that it arrived.
    return "break"


for key in ("Return", "Tab", "F2"):
    entry.bind("<%s>" % key, lambda event, key=key: record(key))
patches = []


def answer(value):
    sys.stdout.write(json.dumps(value, ensure_ascii=False) + "\n")
    sys.stdout.flush()


def focus():
    root.update()
    root.focus_force()
    entry.focus_set()
    root.update()


def command(line):
    args = line.split()
    if not args:
        return None
    name = args[0]
    if name == "focus":
        focus()
        return root.winfo_id()
    if name == "text":
        return entry.get()
    if name == "clear":
        entry.delete(0, "end")
        del keys[:]
        del seen[:]
        return True
    if name == "nopaste":
        # Like a terminal's line: Control+V (and any other paste) puts nothing in the field.
        entry.bind("<<Paste>>", lambda event: "break")
        entry.bind("<Control-v>", lambda event: "break")
        return True
    if name == "keys":
        return keys
    if name == "seen":
        return seen
    if name == "clipboard":
        # A SelectionClear already on its way must be seen before Tk answers from its own copy.
        root.update()
        try:
            return root.clipboard_get(type=args[1])
        except tk.TclError as error:
            return {"error": str(error)}
    if name == "targets":
        try:
            return root.tk.call("selection", "get", "-selection", "CLIPBOARD", "-type",
                                "TARGETS").split()
        except tk.TclError as error:
            return {"error": str(error)}
    if name == "patch":
        # patch X Y W H COLOUR: a borderless window of one colour at a known place on screen.
        x, y, w, h = (int(v) for v in args[1:5])
        patch = tk.Toplevel(root, background=args[5], borderwidth=0, highlightthickness=0)
        patch.overrideredirect(True)
        patch.geometry("%dx%d+%d+%d" % (w, h, x, y))
        patches.append(patch)
        root.update()
        return int(patch.wm_frame(), 16)
    if name == "own":
        # own TEXT: this program takes the clipboard, as another application would.
        root.clipboard_clear()
        root.clipboard_append(" ".join(args[1:]))
        root.update()
        return True
    if name == "unpatch":
        for patch in patches:
            patch.destroy()
        del patches[:]
        root.update()
        return True
    if name == "move":
        root.geometry("+%d+%d" % (int(args[1]), int(args[2])))
        root.update()
        return True
    if name == "quit":
        return None
    return {"error": "unknown command " + name}


def on_input(*_):
    line = sys.stdin.readline()
    if not line or line.strip() == "quit":
        root.destroy()
        return
    answer(command(line))


root.update()
answer("ready")
root.tk.createfilehandler(sys.stdin, tk.READABLE, on_input)
root.mainloop()
