#!/usr/bin/env python3
"""Looks at and clicks an editor window that another program embeds, through
Xlib and XTest (no toolkit). The editor is the first window of the given size
below the top-level window with the given name.

  x11probe.py NAME W H pixels X Y W H   prints a digest of that area's pixels and
                                        how many colours it holds
  x11probe.py NAME W H click X Y        a left click at that editor position
Positions are in the editor's own pixels. Exits 1 when there is no such window.
"""
import ctypes
import hashlib
import sys
import time

x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
xtst = ctypes.cdll.LoadLibrary("libXtst.so.6")
ulong = ctypes.c_ulong
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XQueryTree.argtypes = [ctypes.c_void_p, ulong, ctypes.POINTER(ulong), ctypes.POINTER(ulong),
                           ctypes.POINTER(ctypes.POINTER(ulong)), ctypes.POINTER(ctypes.c_uint)]
x11.XFetchName.argtypes = [ctypes.c_void_p, ulong, ctypes.POINTER(ctypes.c_char_p)]
x11.XGetGeometry.argtypes = [ctypes.c_void_p, ulong, ctypes.POINTER(ulong)] + \
    [ctypes.POINTER(ctypes.c_int)] * 2 + [ctypes.POINTER(ctypes.c_uint)] * 4
x11.XTranslateCoordinates.argtypes = [ctypes.c_void_p, ulong, ulong, ctypes.c_int, ctypes.c_int,
                                      ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
                                      ctypes.POINTER(ulong)]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [ctypes.c_void_p, ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                          ctypes.c_uint, ulong, ctypes.c_int]
x11.XGetPixel.restype = ulong
x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
x11.XDestroyImage.argtypes = [ctypes.c_void_p]
x11.XFree.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                      ulong]
xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ulong]
ZPIXMAP = 2
ALL_PLANES = ~0 & 0xFFFFFFFFFFFFFFFF


def children(d, w):
    root, parent = ulong(), ulong()
    kids = ctypes.POINTER(ulong)()
    n = ctypes.c_uint()
    if not x11.XQueryTree(d, w, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(kids),
                          ctypes.byref(n)):
        return []
    out = [kids[i] for i in range(n.value)]
    if kids:
        x11.XFree(kids)
    return out


def name(d, w):
    text = ctypes.c_char_p()
    if x11.XFetchName(d, w, ctypes.byref(text)) and text.value is not None:
        return text.value.decode(errors="replace")
    return ""


def size(d, w):
    root = ulong()
    x, y = ctypes.c_int(), ctypes.c_int()
    width, height, border, depth = (ctypes.c_uint() for _ in range(4))
    x11.XGetGeometry(d, w, ctypes.byref(root), ctypes.byref(x), ctypes.byref(y),
                     ctypes.byref(width), ctypes.byref(height), ctypes.byref(border),
                     ctypes.byref(depth))
    return width.value, height.value


def find(d, w, title, width, height, inside=False):
    inside = inside or name(d, w) == title
    if inside and size(d, w) == (width, height) and not children(d, w) and name(d, w) == "":
        return w
    for c in children(d, w):
        found = find(d, c, title, width, height, inside)
        if found:
            return found
    return 0


def main():
    title, width, height, command = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    args = [int(a) for a in sys.argv[5:]]
    d = x11.XOpenDisplay(None)
    if not d:
        sys.exit("x11probe: no display")
    root = x11.XDefaultRootWindow(d)
    editor = find(d, root, title, width, height)
    if not editor:
        print("x11probe: no editor window", file=sys.stderr)
        sys.exit(1)
    if command == "pixels":
        x, y, w, h = args
        image = x11.XGetImage(d, editor, x, y, w, h, ALL_PLANES, ZPIXMAP)
        if not image:
            sys.exit("x11probe: no image")
        digest = hashlib.sha1()
        colours = set()
        for row in range(h):
            for col in range(w):
                pixel = x11.XGetPixel(image, col, row)
                colours.add(pixel)
                digest.update(pixel.to_bytes(4, "little"))
        x11.XDestroyImage(image)
        print(digest.hexdigest(), len(colours))
    elif command == "click":
        sx, sy, child = ctypes.c_int(), ctypes.c_int(), ulong()
        x11.XTranslateCoordinates(d, editor, root, args[0], args[1], ctypes.byref(sx),
                                  ctypes.byref(sy), ctypes.byref(child))
        xtst.XTestFakeMotionEvent(d, -1, sx.value, sy.value, 0)
        xtst.XTestFakeButtonEvent(d, 1, 1, 0)
        x11.XSync(d, 0)
        time.sleep(0.05)
        xtst.XTestFakeButtonEvent(d, 1, 0, 0)
        x11.XSync(d, 0)
    else:
        sys.exit("x11probe: unknown command " + command)


if __name__ == "__main__":
    main()
