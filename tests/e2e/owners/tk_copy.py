#!/usr/bin/python3
"""Copies text in a Tk program, waits until another program has read it (a marker file given
with --until appears), then quits. Usage: tk_copy.py TEXT [--until PATH]"""
import os
import sys
import tkinter

text = sys.argv[1]
until = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--until" else None
root = tkinter.Tk()
root.withdraw()
root.clipboard_clear()
root.clipboard_append(text)
root.update()


def check():
    if until is None or os.path.exists(until):
        root.destroy()
    else:
        root.after(20, check)


root.after(20, check)
root.mainloop()
