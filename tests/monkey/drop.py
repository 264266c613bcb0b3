# drop.py WINDOW X Y FILE...: drops FILEs on the X window WINDOW at the root
# point X,Y as a file manager does (XDND, text/uri-list); Wine hands that to
# the Windows window as WM_DROPFILES. Exits 0 once the target has finished
# the drop, else with why not. Only libX11 itself, which xdotool needs too.
import ctypes as C, sys, time
x = C.CDLL("libX11.so.6")
class CM(C.Structure):
    _fields_ = [("type", C.c_int), ("serial", C.c_ulong), ("send_event", C.c_int), ("display", C.c_void_p),
                ("window", C.c_ulong), ("message_type", C.c_ulong), ("format", C.c_int), ("l", C.c_long * 5)]
class SR(C.Structure):
    _fields_ = [("type", C.c_int), ("serial", C.c_ulong), ("send_event", C.c_int), ("display", C.c_void_p),
                ("owner", C.c_ulong), ("requestor", C.c_ulong), ("selection", C.c_ulong), ("target", C.c_ulong),
                ("property", C.c_ulong), ("time", C.c_ulong)]
class SN(C.Structure):
    _fields_ = [("type", C.c_int), ("serial", C.c_ulong), ("send_event", C.c_int), ("display", C.c_void_p),
                ("requestor", C.c_ulong), ("selection", C.c_ulong), ("target", C.c_ulong),
                ("property", C.c_ulong), ("time", C.c_ulong)]
class EV(C.Union):
    _fields_ = [("type", C.c_int), ("cm", CM), ("sr", SR), ("sn", SN), ("pad", C.c_long * 24)]
x.XOpenDisplay.restype = C.c_void_p
x.XInternAtom.restype = C.c_ulong
x.XInternAtom.argtypes = [C.c_void_p, C.c_char_p, C.c_int]
x.XDefaultRootWindow.restype = C.c_ulong
x.XDefaultRootWindow.argtypes = [C.c_void_p]
x.XCreateSimpleWindow.restype = C.c_ulong
x.XCreateSimpleWindow.argtypes = [C.c_void_p, C.c_ulong] + [C.c_int] * 4 + [C.c_uint, C.c_ulong, C.c_ulong]
x.XSetSelectionOwner.argtypes = [C.c_void_p, C.c_ulong, C.c_ulong, C.c_ulong]
x.XSendEvent.argtypes = [C.c_void_p, C.c_ulong, C.c_int, C.c_long, C.POINTER(EV)]
x.XChangeProperty.argtypes = [C.c_void_p, C.c_ulong, C.c_ulong, C.c_ulong, C.c_int, C.c_int, C.c_char_p, C.c_int]
x.XPending.argtypes = [C.c_void_p]
x.XNextEvent.argtypes = [C.c_void_p, C.POINTER(EV)]
x.XFlush.argtypes = [C.c_void_p]
target, px, py = int(sys.argv[1], 0), int(sys.argv[2]), int(sys.argv[3])
data = "".join("file://" + p + "\r\n" for p in sys.argv[4:]).encode()
d = x.XOpenDisplay(None)
A = lambda n: x.XInternAtom(d, n.encode(), 0)
src = x.XCreateSimpleWindow(d, x.XDefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0)
x.XSetSelectionOwner(d, A("XdndSelection"), src, 0)
def send(kind, *l):
    e = EV(); e.cm.type = 33; e.cm.window = target; e.cm.message_type = A(kind); e.cm.format = 32
    for i, v in enumerate(l): e.cm.l[i] = v
    x.XSendEvent(d, target, 0, 0, C.byref(e)); x.XFlush(d)
send("XdndEnter", src, 5 << 24, A("text/uri-list"))
send("XdndPosition", src, 0, px << 16 | py, 0, A("XdndActionCopy"))
end = time.time() + 5
while time.time() < end:
    if not x.XPending(d): time.sleep(0.002); continue
    e = EV(); x.XNextEvent(d, C.byref(e))
    if e.type == 30:  # SelectionRequest: Wine asks for the file list at XdndEnter
        r = e.sr; n = EV(); n.sn.type = 31; n.sn.requestor = r.requestor; n.sn.selection = r.selection
        n.sn.target = r.target; n.sn.time = r.time; n.sn.property = r.property
        if r.target == A("text/uri-list"):
            x.XChangeProperty(d, r.requestor, r.property, r.target, 8, 0, data, len(data))
        else:
            n.sn.property = 0
        x.XSendEvent(d, r.requestor, 0, 0, C.byref(n)); x.XFlush(d)
    elif e.type == 33 and e.cm.message_type == A("XdndStatus"):
        if not e.cm.l[1] & 1: sys.exit("drop refused")
        send("XdndDrop", src, 0, 0)
    elif e.type == 33 and e.cm.message_type == A("XdndFinished"):
        sys.exit(0)
sys.exit("no answer to the drop")
