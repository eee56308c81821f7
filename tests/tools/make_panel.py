#!/usr/bin/env python3
"""Writes a panel copybook (panel record, PASS-TO-EXIT, WORK-S, WORK-D) from
a short panel description, so that test panels and the demo's panels need
not be laid out byte by byte by hand.  The copybooks it writes are
committed; run it again after changing a description:

    tests/tools/make_panel.py DESCRIPTION.panel > NAME.CPY

Description lines ("#" starts a comment; strings in double quotes):

    panel NAME PREFIX            panel name (8) and the data-name prefix
    size CODE                    screen-size code 1-4 (default 1)
    reserved ROWS                reserved bottom rows (default 1)
    base DIGIT                   base colour digit (default 1); 8 = window
    window HEIGHT WIDTH          window size (window panels)
    offset ROW COL               PANEL-OFFSET-ROW / -COL
    colors ACTIVE ERROR MENU     attributes in hex, e.g. 70 4F 30
    static-color HEX             WORK-S byte 0 (default 17)
    menu "TEXT"                  the 80-character menu line
    indicators DIGIT             PANEL-INDICATORS (default 0)
    cursor-type DIGIT            PANEL-CURSOR-TYPE (default 1)
    exits ARROW PRE POST         user-exit names ("-" for none)
    close VALUE                  PANEL-CLOSE-KEYVALUE
    home N                       default cursor field (default 1)
    text ROW COL ATTR "TEXT"     a text item
    repeat ROW COL ATTR "C" N    a repeat item of N copies
    field NAME ROW COL LEN ATTR TYPE PIC [mask=N] [opts=a,b] [values="LIST"]
                                 [sep=C] [range=C]
    tab N N N ...                tab order (default: field order)

Option names: caretoff, caret2, caret3, predisplay, postkey, hot, validate,
hotmod, clear1, clearbuf, noauto, beepfull, retlr, mustvalid, required,
retud, blank0, initprot.
"""
import re
import shlex
import sys

OPT1 = {"caretoff": 0x80, "caret2": 0x20, "caret3": 0x10, "predisplay": 0x08,
        "postkey": 0x04, "hot": 0x01}
OPT2 = {"validate": 0x80, "hotmod": 0x40, "clear1": 0x20, "clearbuf": 0x10,
        "noauto": 0x08, "beepfull": 0x04, "retlr": 0x02, "mustvalid": 0x01}
OPT3 = {"required": 0x80, "retud": 0x20, "blank0": 0x10, "initprot": 0x01}


def pic_size(pic):
    size = 0
    for m in re.finditer(r"([X9AZ])(\((\d+)\))?", pic.upper()):
        size += int(m.group(3)) if m.group(3) else 1
    return size


def u16(v):
    return bytes([v & 0xFF, (v >> 8) & 0xFF])


def hex_items(level, name, data, out):
    out.append(f"       01  {name}.")
    for i in range(0, len(data), 20):
        chunk = data[i:i + 20]
        out.append(f"           05  FILLER PIC X({len(chunk)}) VALUE")
        out.append(f'               X"{chunk.hex().upper()}".')


def main(path):
    p = {"size": 1, "reserved": 1, "base": "1", "window": (0, 0), "offset": (0, 0),
         "colors": (0x70, 0x4F, 0x30), "static": 0x17, "menu": "", "indicators": "0",
         "cursor": "1", "exits": ("", "", ""), "close": 0, "home": 1}
    items, fields, tab = [], [], None
    for raw in open(path, encoding="utf-8"):
        line = raw.split("#", 1)[0].strip() if not raw.strip().startswith(("text", "menu", "repeat", "field")) else raw.strip()
        if not line:
            continue
        w = shlex.split(line)
        k = w[0]
        if k == "panel":
            p["name"], p["prefix"] = w[1], w[2]
        elif k == "size":
            p["size"] = int(w[1])
        elif k == "reserved":
            p["reserved"] = int(w[1])
        elif k == "base":
            p["base"] = w[1]
        elif k == "window":
            p["window"] = (int(w[1]), int(w[2]))
        elif k == "offset":
            p["offset"] = (int(w[1]), int(w[2]))
        elif k == "colors":
            p["colors"] = tuple(int(x, 16) for x in w[1:4])
        elif k == "static-color":
            p["static"] = int(w[1], 16)
        elif k == "menu":
            p["menu"] = w[1]
        elif k == "indicators":
            p["indicators"] = w[1]
        elif k == "cursor-type":
            p["cursor"] = w[1]
        elif k == "exits":
            p["exits"] = tuple("" if x == "-" else x for x in w[1:4])
        elif k == "close":
            p["close"] = int(w[1])
        elif k == "home":
            p["home"] = int(w[1])
        elif k == "text":
            items.append(("text", int(w[1]), int(w[2]), int(w[3], 16), w[4]))
        elif k == "repeat":
            items.append(("repeat", int(w[1]), int(w[2]), int(w[3], 16), w[4], int(w[5])))
        elif k == "field":
            f = {"name": w[1], "row": int(w[2]), "col": int(w[3]), "len": int(w[4]),
                 "attr": int(w[5], 16), "type": w[6], "pic": w[7], "mask": 0,
                 "opts": [], "values": None, "sep": ",", "range": "-"}
            for extra in w[8:]:
                key, _, val = extra.partition("=")
                if key == "mask":
                    f["mask"] = int(val)
                elif key == "opts":
                    f["opts"] = [o for o in val.split(",") if o]
                elif key in ("values", "sep", "range"):
                    f[key] = val
            if f["type"] == "_":
                f["type"] = " "
            if f["values"] is not None and "required" not in f["opts"]:
                f["opts"].append("validate")
            fields.append(f)
        elif k == "tab":
            tab = [int(x) for x in w[1:]]
        else:
            sys.exit(f"{path}: unknown line: {raw.rstrip()}")

    n = len(fields)
    pre = p["prefix"]
    cols = 40 if p["size"] == 2 else 80
    out = [f"      *> Panel {p['name']}: written by tests/tools/make_panel.py from",
           f"      *> {path.split('/')[-1]}; edit the description, not this file."]

    # ---- panel record
    out.append(f"       01  {pre}-PANEL.")
    out.append(f"           05  {pre}-FIXED-PORTION.")
    fx = [
        ("NAME", "X(8)", f'"{p["name"]}"'),
        ("NUMB-OF-FIELDS", "9(4) COMP-5", str(n)),
        ("BASE-COLOR", "9", p["base"]),
        ("ACTIVE-COLOR", "9(4) COMP-5", str(p["colors"][0])),
        ("ERROR-COLOR", "9(4) COMP-5", str(p["colors"][1])),
        ("MENU-COLOR", "9(4) COMP-5", str(p["colors"][2])),
    ]
    for name, pic, val in fx:
        out.append(f"               10  {pre}-{name} PIC {pic} VALUE {val}.")
    menu = p["menu"].ljust(80)[:80]
    for half, text in (("A", menu[:40]), ("B", menu[40:])):
        out.append(f"               10  {pre}-MENU-LINE-{half} PIC X(40) VALUE")
        out.append(f'                   "{text}".')
    rest = [
        ("MENU-MSG", "X(80)", "SPACES"),
        ("DISPLAY-OPTION", "9(4) COMP-5", "0"),
        ("CURSOR-FIELD", "9(4) COMP-5", str(p["home"])),
        ("OFFSET-THE-CURSOR", "X", '"N"'),
        ("CURSOR-OFFSET", "9(4) COMP-5", "0"),
        ("EXIT-KEY", "S9(4) COMP-5", "0"),
        ("REPAINT-SCREEN", "X", '"Y"'),
        ("SHOW-WAIT-MSG", "X", '"N"'),
        ("ARROW-EXIT-NAME", "X(8)", f'"{p["exits"][0]}"' if p["exits"][0] else "SPACES"),
        ("PRE-EXIT-NAME", "X(8)", f'"{p["exits"][1]}"' if p["exits"][1] else "SPACES"),
        ("POST-EXIT-NAME", "X(8)", f'"{p["exits"][2]}"' if p["exits"][2] else "SPACES"),
        ("CODE-SET", "X", '"C"'),
        ("BORDER-COLOR", "S9(4) COMP-5", "0"),
        ("PRESENT-FREQ", "S9(4) COMP-5", "1000"),
        ("PRESENT-TIME", "S9(4) COMP-5", "20"),
        ("ERROR-FREQ", "S9(4) COMP-5", "37"),
        ("ERROR-TIME", "S9(4) COMP-5", "10"),
        ("CURSOR-TYPE", "9", p["cursor"]),
        ("INDICATORS", "9", p["indicators"]),
        ("SUBST-ENTER", "S9(4) COMP-5", "0"),
        ("SUBST-ESC", "S9(4) COMP-5", "0"),
        ("SUBST-HOME", "S9(4) COMP-5", "0"),
        ("SHIFT-STATES", "X", "LOW-VALUE"),
        ("OFFSET-ROW", "S9(4) COMP-5", str(p["offset"][0])),
        ("OFFSET-COL", "S9(4) COMP-5", str(p["offset"][1])),
        ("CURSOR-ROW", "S9(4) COMP-5", "0"),
        ("CURSOR-COL", "S9(4) COMP-5", "0"),
        ("SCAN-CODE", "X", "LOW-VALUE"),
        ("MOUSE-ROW", "S9(4) COMP-5", "0"),
        ("MOUSE-COL", "S9(4) COMP-5", "0"),
        ("CLOSE-KEYVALUE", "S9(4) COMP-5", str(p["close"])),
    ]
    for name, pic, val in rest:
        out.append(f"               10  {pre}-{name} PIC {pic} VALUE {val}.")
    out.append(f"               10  FILLER PIC X(69) VALUE LOW-VALUES.")
    out.append(f"           05  {pre}-VARIABLE-PORTION.")
    if n:
        out.append(f"               10  {pre}-ATTRIBUTE-BLOCK PIC X({4 * n})")
        out.append(f"                   VALUE LOW-VALUES.")
        out.append(f"               10  {pre}-ATTRIBUTE-TABLE")
        out.append(f"                   REDEFINES {pre}-ATTRIBUTE-BLOCK OCCURS {n}.")
        out.append(f"                   15  {pre}-FIELD-PAINT PIC X.")
        out.append(f"                   15  {pre}-FIELD-COLOR PIC 9(4) COMP-5.")
        out.append(f"                   15  {pre}-FIELD-OPTION PIC X.")
    out.append(f"               10  {pre}-USER-FIELDS.")
    offset = 4 * n + 1
    for f in fields:
        f["offset"] = offset
        offset += pic_size(f["pic"])
        out.append(f"                   15  {pre}-{f['name']} PIC {f['pic']}.")
    if not n:
        out.append(f"                   15  FILLER PIC X.")
    out.append(f"       01  {pre}-PASS-TO-EXIT PIC X.")

    # ---- WORK-S
    ws = bytearray([p["static"], ord("B")]) + u16(p["window"][0]) + u16(p["window"][1])
    ws += bytes([20, p["size"], p["reserved"]]) + b" " * 10 + b" "
    assert len(ws) == 20
    ws = ws[:19]
    for it in items:
        if it[0] == "text":
            _, r, c, a, t = it
            data = t.encode("cp437")
            ws += bytes([len(data), r, c, a]) + data
        else:
            _, r, c, a, ch, count = it
            ws += bytes([cols + count, r, c, a]) + ch.encode("cp437")
    ws += b"\xff" + b" " * 3
    hex_items(1, f"{pre}-WORK-S", bytes(ws), out)

    # ---- WORK-D
    order = tab or list(range(1, n + 1))
    nxt, prv = {}, {}
    for i, fnum in enumerate(order):
        nxt[fnum] = order[(i + 1) % len(order)]
        prv[fnum] = order[i - 1]
    wd = bytearray(u16(n) + u16(p["window"][0]) + u16(p["window"][1]) + b"B" + u16(p["home"]) + b" " * 7)
    for i, f in enumerate(fields, start=1):
        o1 = o2 = o3 = 0
        for o in f["opts"]:
            o1 |= OPT1.get(o, 0)
            o2 |= OPT2.get(o, 0)
            o3 |= OPT3.get(o, 0)
            if o not in OPT1 and o not in OPT2 and o not in OPT3:
                sys.exit(f"{path}: unknown option {o}")
        wd += bytes([f["row"], f["col"], f["len"], f["attr"], ord(f["type"])]) + u16(f["offset"])
        wd += bytes([f["mask"], o1, o2, o3, 0]) + u16(prv.get(i, i)) + u16(nxt.get(i, i))
    wd += b"\xff"
    for f in sorted((f for f in fields if f["values"] is not None), key=lambda f: (f["row"], f["col"])):
        wd += bytes([f["row"], f["col"], ord(f["sep"]), ord(f["range"])]) + f["values"].encode("cp437")[:70] + b"\x00"
    wd += b"\xff"
    hex_items(1, f"{pre}-WORK-D", bytes(wd), out)
    print("\n".join(out))


if __name__ == "__main__":
    main(sys.argv[1])
