#!/usr/bin/env python3
"""Writes the window layouts (Qt Designer .ui files) into layouts/.

The layouts are committed; run this after changing it:  python3 make_layouts.py
Every control carries the name and the default text the windows look up.
"""
import os
from xml.sax.saxutils import escape

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "layouts")

CUSTOM = {
    "CCheckBoxUI": ("QCheckBox", "ui/CheckBoxUI.h"),
    "CRichEditUI": ("QTextBrowser", "ui/RichEditUI.h"),
    "CDiskListUI": ("QTreeWidget", "app/views/DiskListUI.h"),
    "CFileTreeUI": ("QTreeWidget", "app/views/FileTreeUI.h"),
    "CButtonExUI": ("QPushButton", "app/views/ButtonExUI.h"),
}


def prop(name, value, stdset=True):
    attr = "" if stdset else ' stdset="0"'
    if isinstance(value, bool):
        body = "<bool>%s</bool>" % ("true" if value else "false")
    elif isinstance(value, int):
        body = "<number>%d</number>" % value
    elif isinstance(value, tuple) and value[0] == "size":
        body = "<size><width>%d</width><height>%d</height></size>" % value[1:]
    elif isinstance(value, tuple) and value[0] == "pixmap":
        body = "<pixmap>%s</pixmap>" % value[1]
    elif isinstance(value, tuple) and value[0] == "icon":
        body = "<iconset><normaloff>%s</normaloff></iconset>" % value[1]
    elif isinstance(value, tuple) and value[0] == "enum":
        body = "<enum>%s</enum>" % value[1]
    elif isinstance(value, tuple) and value[0] == "set":
        body = "<set>%s</set>" % value[1]
    else:
        body = "<string>%s</string>" % escape(value)
    return '<property name="%s"%s>%s</property>' % (name, attr, body)


class W:
    """A widget: class, name, properties, dynamic properties, layout kind and children."""

    def __init__(self, cls, name, props=None, dyn=None, layout=None, children=None,
                 extra="", margins=None, spacing=None, stretch=None):
        self.cls, self.name = cls, name
        self.props = props or {}
        self.dyn = dyn or {}
        self.layout = layout
        self.children = children or []
        self.extra = extra
        self.margins = margins
        self.spacing = spacing
        self.stretch = stretch


class Spacer:
    def __init__(self, horizontal=True, size=None):
        self.horizontal = horizontal
        self.size = size


def render(w, used, counter):
    if isinstance(w, Spacer):
        counter[0] += 1
        orient = "Qt::Horizontal" if w.horizontal else "Qt::Vertical"
        size = w.size or ((40, 20) if w.horizontal else (20, 40))
        extra = ""
        if w.size:
            extra = prop("sizeType", ("enum", "QSizePolicy::Fixed"))
        return ('<spacer name="spacer%d">%s%s%s</spacer>'
                % (counter[0], prop("orientation", ("enum", orient)), extra,
                   prop("sizeHint", ("size",) + size)))
    if w.cls in CUSTOM:
        used.add(w.cls)
    out = ['<widget class="%s" name="%s">' % (w.cls, w.name)]
    for k, v in w.props.items():
        out.append(prop(k, v))
    for k, v in w.dyn.items():
        out.append(prop(k, v, stdset=False))
    out.append(w.extra)
    if w.layout and w.layout != "stack":
        counter[0] += 1
        out.append('<layout class="%s" name="layout%d">' % (w.layout, counter[0]))
        m = w.margins if w.margins is not None else (0, 0, 0, 0)
        for side, value in zip(("left", "top", "right", "bottom"), m):
            out.append(prop(side + "Margin", value))
        out.append(prop("spacing", w.spacing if w.spacing is not None else 6))
        for i, c in enumerate(w.children):
            if w.layout == "QGridLayout":
                row, col, child = c
                out.append('<item row="%d" column="%d">%s</item>'
                           % (row, col, render(child, used, counter)))
            else:
                out.append("<item>%s</item>" % render(c, used, counter))
        out.append("</layout>")
    else:
        for c in w.children:
            out.append(render(c, used, counter))
    out.append("</widget>")
    return "".join(out)


def write(filename, root, actions=""):
    used = set()
    body = render(root, used, [0])
    if actions:
        body = body[: -len("</widget>")] + actions + "</widget>"
    custom = "".join(
        "<customwidget><class>%s</class><extends>%s</extends><header>%s</header></customwidget>"
        % (c, CUSTOM[c][0], CUSTOM[c][1]) for c in sorted(used))
    xml = ('<?xml version="1.0" encoding="UTF-8"?>\n<ui version="4.0"><class>%s</class>%s'
           "%s<resources/><connections/></ui>\n"
           % (root.name, body, "<customwidgets>%s</customwidgets>" % custom if custom else ""))
    # One element per line keeps the files diffable.
    xml = xml.replace("><", ">\n<")
    with open(os.path.join(OUT, filename), "w", encoding="utf-8") as f:
        f.write(xml)


def label(name, text="", **kw):
    props = {"text": text}
    props.update(kw.pop("props", {}))
    return W("QLabel", name, props, **kw)


def button(name, text, cls="QPushButton", **kw):
    props = {"text": text, "cursor": ("set", "Qt::PointingHandCursor")}
    props.update(kw.pop("props", {}))
    return W(cls, name, props, **kw)


def hbox(name, children, **kw):
    return W("QWidget", name, layout="QHBoxLayout", children=children, **kw)


def vbox(name, children, **kw):
    return W("QWidget", name, layout="QVBoxLayout", children=children, **kw)


IMG = ":/skin/images/"


def window_buttons(close_only=False):
    buttons = [] if close_only else [
        button("minbtn", "", props={"toolTip": "Minimise", "icon": ("icon", IMG + "win_min.png")},
               dyn={"class": "WindowButton"}),
        button("maxbtn", "", props={"toolTip": "Maximise", "icon": ("icon", IMG + "win_max.png")},
               dyn={"class": "WindowButton"}),
        button("restorebtn", "", props={"toolTip": "Restore", "visible": False,
                                        "icon": ("icon", IMG + "win_restore.png")},
               dyn={"class": "WindowButton"}),
    ]
    buttons.append(button("closebtn", "", props={"toolTip": "Close",
                                                 "icon": ("icon", IMG + "win_close.png")},
                          dyn={"class": "CloseButton"}))
    return buttons


# ---------------------------------------------------------------- main window
def main_window():
    title = hbox("TitleBar", [
        label("Logo", props={"pixmap": ("pixmap", IMG + "logo_small.png")}),
        label("LblProductName", "Free Keldrin"),
        Spacer(),
        button("BtnAssist", "", props={"toolTip": "Menu", "icon": ("icon", IMG + "menu.png")},
               dyn={"class": "WindowButton"}),
    ] + window_buttons(), margins=(10, 0, 4, 0), spacing=2,
        props={"minimumSize": ("size", 0, 36), "maximumSize": ("size", 16777215, 36)})
    tabs = [button(n, t, props={"checkable": True, "autoExclusive": True,
                                "icon": ("icon", IMG + icon)}, dyn={"class": "StepTab"})
            for n, t, icon in (("TabScan", "Choose Disk", "btn_scan.png"),
                               ("TabFileType", "File Types", "advance_scan.png"),
                               ("TabRecover", "Recover Files", "recover_file.png"))]
    tabs[2].props["enabled"] = False
    toolbar1 = hbox("ToolBar1", [
        hbox("SubBar1", [label("MainTitle", "Recover your lost files in three steps"),
                         Spacer()], margins=(16, 0, 16, 0)),
        hbox("SubBar2", tabs + [Spacer()], margins=(16, 4, 16, 0), spacing=4),
    ], props={"minimumSize": ("size", 0, 40), "maximumSize": ("size", 16777215, 40)})
    toolbar2 = hbox("ToolBar2", [
        label("ToolBar2Logo", props={"pixmap": ("pixmap", IMG + "scan_files.png"),
                                     "minimumSize": ("size", 48, 48)}),
        vbox("BannerTexts", [label("Txt1", "Select a location to scan"),
                             label("Txt2", "Choose the card or disk partition that held your files.")], spacing=2),
        Spacer(),
        label("SelectedFileInfo", "Selected 0 Byte in 0 file"),
    ], margins=(16, 6, 16, 6), spacing=12,
        props={"minimumSize": ("size", 0, 64), "maximumSize": ("size", 16777215, 64)})
    pages = W("QStackedWidget", "TabPage", props={"currentIndex": 0}, children=[
        W("QWidget", "PageControlPanel", dyn={"include": "ControlPanel"}),
        W("QWidget", "PageScanDisk", dyn={"include": "ScanDisk"}),
        W("QWidget", "PageFileType", dyn={"include": "FileType"}),
        W("QWidget", "PageRecoverFile", dyn={"include": "RecoverFile"}),
    ], layout="stack")
    toolbar3 = hbox("ToolBar3", [
        button("BtnPrev", "Back", props={"icon": ("icon", IMG + "arrow_left.png")}),
        button("BtnNext", "Next", props={"visible": False}),
        Spacer(),
        hbox("ToolBtn", [
            button("BtnRecover", "Recover", props={"enabled": False,
                                                   "icon": ("icon", IMG + "recover_file.png")},
                   dyn={"class": "PrimaryButton"}),
            button("BtnScan", "Scan", props={"icon": ("icon", IMG + "btn_scan.png")},
                   dyn={"class": "PrimaryButton"}),
        ], spacing=8),
    ], margins=(16, 8, 16, 8),
        props={"minimumSize": ("size", 0, 52), "maximumSize": ("size", 16777215, 52)})
    root = vbox("skin", [title, toolbar1, toolbar2, pages, toolbar3], spacing=0,
                props={"minimumSize": ("size", 760, 460)}, dyn={"caption": "0,0,0,36"})
    write("skin.ui", root)


def control_panel():
    def card(check, title_name, title, des_name, des, icon):
        return hbox("Card" + check[3:], [
            label("Icon" + check[3:], props={"pixmap": ("pixmap", IMG + "FileIcon/" + icon)}),
            W("CCheckBoxUI", check, {"checked": True, "text": ""}),
            vbox("Texts" + check[3:], [
                label(title_name, title, dyn={"class": "CardTitle"}),
                label(des_name, des, props={"wordWrap": True}, dyn={"class": "CardText"}),
            ], spacing=2),
            Spacer(),
        ], margins=(12, 8, 12, 8), spacing=10, dyn={"class": "Card"})

    cards = [
        ("ChkPhoto", "PhotoTitle", "Photos", "PhotoDes", "Pictures and camera raw files", "photo.png"),
        ("ChkMusic", "MusicTitle", "Audio", "MusicDes", "Music, recordings and voice notes", "audio.png"),
        ("ChkVideo", "VideoTitle", "Videos", "VideoDes", "Films and clips from cameras and phones", "video.png"),
        ("ChkOffice", "DocumentTitle", "Documents", "DocumentDes", "Texts, sheets, slides and PDF files", "document.png"),
        ("ChkArchive", "ArchiveTitle", "Archives", "ArchiveDes", "Compressed folders and disc images", "archive.png"),
        ("ChkOther", "OthersTitle", "Other Files", "OthersDes", "Every other kind of file", "other.png"),
    ]
    grid = W("QWidget", "TypeGrid", layout="QGridLayout", spacing=10, children=[
        (i // 2, i % 2, card(*c)) for i, c in enumerate(cards)])
    all_row = hbox("AllRow", [
        W("CCheckBoxUI", "ChkRecoverAll", {"checked": True, "text": "", "tristate": True}),
        vbox("AllTexts", [label("AllTitle", "All File Types", dyn={"class": "CardTitle"}),
                          label("AllDes", "Look for every kind of file the program knows.",
                                dyn={"class": "CardText"})], spacing=2),
        Spacer(),
    ], margins=(12, 4, 12, 4), spacing=10)
    modes = hbox("ModeBar", [
        button("BtnDeletedRecovery", "Quick Scan", "CButtonExUI", dyn={"class": "ModeButton"}),
        button("BtnFormattedRecovery", "Formatted Media", "CButtonExUI", dyn={"class": "ModeButton"}),
        button("BtnDeepRecovery", "Deep Scan", "CButtonExUI", dyn={"class": "ModeButton"}),
        button("BtnCreateImageMode", "Create Image", "CButtonExUI", dyn={"class": "ModeButton"}),
        Spacer(),
        button("BtnStart", "Start", "CButtonExUI", props={"minimumSize": ("size", 140, 40)},
               dyn={"class": "StartButton"}),
    ], spacing=6)
    root = vbox("ControlPanel", [
        all_row, grid,
        label("TxtMainInfo", "Point at a mode to see what it does.", props={"wordWrap": True},
              dyn={"class": "Hint"}),
        modes,
    ], margins=(20, 12, 20, 12), spacing=8)
    write("ControlPanel.ui", root)


def scan_disk():
    disk_list = W("CDiskListUI", "DiskList", props={"minimumSize": ("size", 380, 0)})
    info = vbox("InfoPanel", [label("LblInfoTitle", "Details", dyn={"class": "CardTitle"})] + [
        label("Label%d" % i, "", props={"wordWrap": True}, dyn={"class": "InfoLabel"})
        for i in range(1, 7)] + [Spacer(horizontal=False)],
        margins=(12, 8, 12, 8), spacing=6, dyn={"class": "Card"},
        props={"minimumSize": ("size", 240, 0)})
    bar = vbox("PartitionListBar", [
        disk_list,
        hbox("ImageBar", [
            button("BtnLoadImage", "Load Image File", props={"icon": ("icon", IMG + "image_file.png")}),
            button("BtnCreateImage", "Create Image File",
                   props={"icon": ("icon", IMG + "btn_create_image.png")}),
            Spacer()], spacing=6),
    ], spacing=6)
    root = hbox("ScanDisk", [bar, info], margins=(16, 10, 16, 6), spacing=12)
    write("ScanDisk.ui", root)


FILE_TYPES = [
    ("FileTypePhoto", "OptPhotoFile", "Photos", "photo.png", [
        ("Bitmap (.bmp)", "bmp"), ("Gif Graphics Files (.gif)", "gif"),
        ("JPG/JPEG (.jpg, .jpeg)", "jpg|jpeg"), ("PNG Graphics Files (.png)", "png"),
        ("Adobe Photoshop (.psd)", "psd"), ("TIFF Graphics Files (.tif, .tiff)", "tif|tiff"),
        ("Paintbrush Files (.pcx, .scr)", "pcx|scr"), ("ICON File (.ico)", "ico"),
        ("Nikon (.nef)", "nef"), ("Nikon (.nrw)", "nrw"), ("Canon (.crw)", "crw"),
        ("Canon (.cr2)", "cr2"), ("Sony (.sr2)", "sr2"), ("Sony (.arw)", "arw"),
        ("Sony (.srf)", "srf"), ("DJVU Files (.djvu)", "djvu"), ("PGM Files (.pgm)", "pgm"),
        ("Kodak (.k25)", "k25"), ("Kodak (.kdc)", "kdc"), ("Kodak (.dcr)", "dcr"),
        ("Fuji (.raf)", "raf"), ("IFF Files (.iff)", "iff"), ("PBM Files (.pbm)", "pbm"),
        ("Mamiya (.mef)", "mef"), ("JP2 Files (.jp2)", "jp2"), ("Mamiya (.mos)", "mos"),
        ("Sigma (.x3f)", "x3f"), ("Olympus (.orf)", "orf"), ("EPSON (.erf)", "erf"),
        ("Adobe Indesign (.indd)", "indd"), ("Pentax (.pef)", "pef"),
        ("Paint Shop Pro Image (.psp)", "psp"), ("Minolta (.mrw)", "mrw"),
        ("DNG Photo Files (.dng)", "dng"), ("RAW Photo Files (.raw)", "raw"),
        ("Picture Files (.pct)", "pct"), ("TGA File (.tga)", "tga"), ("THM Files (.thm)", "thm"),
    ]),
    ("FileTypeAudio", "OptAudioFile", "Audio", "audio.png", [
        ("MP3 Files (.mp3)", "mp3"), ("WAV Files (.wav)", "wav"), ("AIFF Files (.aiff)", "aiff"),
        ("Reason Song (.rps)", "rps"), ("MIDI Files (.mid, .midi)", "mid|midi"),
        ("M4A M4P Files (.m4a, .m4p)", "m4a|m4p"), ("AU Files (.au)", "au"),
        ("OGG Files (.ogg)", "ogg"), ("WMA Files (.wma)", "wma"), ("Real Media (.rm)", "rm"),
        ("Real Audio (.ra)", "ra"), ("ACID Files (.acd)", "acd"), ("AMR Files (.amr)", "amr"),
        ("AT3 Files (.at3)", "at3"), ("CAFF Files (.caf)", "caf"), ("DSS Files (.dss)", "dss"),
        ("M4R Files (.m4r)", "m4r"), ("NRA Files (.nra)", "nra"), ("SND Files (.snd)", "snd"),
    ]),
    ("FileTypeVideo", "OptVideoFile", "Videos", "video.png", [
        ("RMVB Video Files (.rmvb)", "rmvb"), ("RM Video Files (.rm)", "rm"),
        ("MPEG Video Files (.mpeg)", "mpeg"), ("Quick Time Video Files (.mov)", "mov"),
        ("AVI Multimedias File (.avi)", "avi"), ("WMV Files (.wmv)", "wmv"),
        ("ASF Files (.asf)", "asf"), ("MP4 Files (.mp4)", "mp4"), ("M4V Files (.m4v)", "m4v"),
        ("3GP Files (.3gp)", "3gp"), ("Digital Video (.dv)", "dv"), ("3G2 Files (.3g2)", "3g2"),
        ("M4B (.m4b)", "m4b"), ("Matroska Video File (.mkv)", "mkv"),
        ("AVCHD Video File (.mts)", "mts"), ("Divx Movie File (.divx)", "divx"),
        ("OGG Media Player (.ogm)", "ogm"), ("MOI Video Files (.moi)", "moi"),
        ("Video Object Files (.vob)", "vob"), ("AJP Files (.ajp)", "ajp"),
        ("F4V Files (.f4v)", "f4v"), ("MQV Files (.mqv)", "mqv"), ("SVI Files (.svi)", "svi"),
        ("VID Files (.vid)", "vid"), ("TOD Files (.tod)", "tod"), ("HDMOV Files (.hdmov)", "hdmov"),
        ("MOD Files (.mod)", "mod"), ("MXF Files (.mxf)", "mxf"), ("LRV Files (.lrv)", "lrv"),
    ]),
    ("FileTypeOffice", "OptOfficeFile", "Documents", "document.png", [
        ("DOC Files (.doc, .docx)", "doc|docx"), ("XLS Files (.xls, .xlsx)", "xls|xlsx"),
        ("PPT Files (.ppt, .pptx)", "ppt|pptx"), ("TXT Files (.txt)", "txt"),
        ("PDF Files (.pdf)", "pdf"), ("XML Files (.xml)", "xml"),
        ("HTML Files (.html, .htm)", "html|htm"), ("CHM Files (.chm)", "chm"),
        ("ODS Files (.ods)", "ods"), ("OLE Files (.ole)", "ole"), ("ODT Files (.odt)", "odt"),
        ("PST Files (.pst)", "pst"), ("DBX Files (.dbx)", "dbx"), ("WPS Files (.wps)", "wps"),
        ("DPS Files (.dps)", "dps"), ("ET Files (.et)", "et"), ("ONE Files (.one)", "one"),
        ("MPP Files (.mpp)", "mpp"), ("MDB Files (.mdb)", "mdb"), ("PST Files (.pst)", "pst"),
        ("ACCDB Files (.accdb)", "accdb"),
    ]),
    ("FileTypeZip", "OptZipFile", "Archives", "archive.png", [
        ("ZIP Files (.zip)", "zip"), ("RAR Files (.rar)", "rar"), ("TAR Files (.tar)", "tar"),
        ("GZIP Files (.gzip)", "gzip"), ("7Z Files (.7z)", "7z"), ("CAB Files (.cab)", "cab"),
        ("ARJ Files (.arj)", "arj"), ("LZH Files (.lzh)", "lzh"), ("ACE Files (.ace)", "ace"),
        ("GZ Files (.gz)", "gz"), ("UUE Files (.uue)", "uue"), ("BZ2 Files (.bz2)", "bz2"),
        ("JAR Files (.jar)", "jar"), ("ISO Files (.iso)", "iso"),
    ]),
    ("FileTypeOther", "OptOtherFile", "Other Files", "other.png", [
        ("Other Files (.*)", "other"),
    ]),
]


def file_type():
    containers = []
    for container, header, title, icon, options in FILE_TYPES:
        rows = []
        for i, (text, data) in enumerate(options):
            name = "OptOtherFileItem" if container == "FileTypeOther" else (
                "Opt%s_%s" % (container[8:], data.split("|")[0]))
            if any(r[2].name == name for r in rows):
                name += "_%d" % i
            rows.append((i // 4, i % 4, W("QCheckBox", name, {"text": text, "checked": True},
                                          dyn={"userdata": data,
                                               "bkimage": "FileIcon/" + icon})))
        containers.append(vbox(container, [
            hbox(container + "Header", [
                label("Lbl" + header[3:], title, dyn={"class": "CardTitle"}),
                Spacer(),
                W("CCheckBoxUI", header, {"text": "Select all", "checked": True, "tristate": True}),
            ], margins=(8, 4, 8, 4)),
            W("QWidget", container + "Rows", layout="QGridLayout", children=rows,
              margins=(8, 2, 8, 8), spacing=4),
        ], dyn={"class": "Card"}, spacing=0))
    inner = vbox("FileTypeList", containers + [Spacer(horizontal=False)], margins=(16, 8, 16, 8),
                 spacing=10)
    scroll = W("QScrollArea", "FileTypeScroll", {"widgetResizable": True,
                                                  "horizontalScrollBarPolicy":
                                                      ("enum", "Qt::ScrollBarAlwaysOff"),
                                                  "frameShape": ("enum", "QFrame::NoFrame")},
               children=[inner])
    inner.cls = "QWidget"
    root = vbox("FileType", [scroll])
    write("FileType.ui", root)


def recover_file():
    tree = W("CFileTreeUI", "TypeTree", {"minimumSize": ("size", 190, 0),
                                         "maximumSize": ("size", 240, 16777215)},
             dyn={"nodes": "NodePhoto=Photo|NodeAudio=Audio|NodeVideo=Video|"
                           "NodeOffice=Document|NodeZip=Archive|NodeOther=Other"})
    headers = "".join('<column><property name="text"><string>%s</string></property></column>'
                      % t for t in ("File Name", "Size", "Modified Time", "Created Time", "Path",
                                    "Type"))
    file_list = W("QTreeWidget", "FileList", {"rootIsDecorated": False, "uniformRowHeights": True,
                                              "alternatingRowColors": True}, extra=headers)
    preview = W("CRichEditUI", "PreviewEdit", {"minimumSize": ("size", 0, 90)})
    right = W("QSplitter", "ResultSplitter", {"orientation": ("enum", "Qt::Vertical")},
              children=[vbox("ListPanel", [
                  hbox("ListHeader", [W("CCheckBoxUI", "ChkAllListSel",
                                        {"text": "Select all", "tristate": True}), Spacer()]),
                  file_list], spacing=2), preview])
    root = hbox("RecoverFile", [tree, right], margins=(16, 8, 16, 4), spacing=10)
    write("RecoverFile.ui", root)


def popup_title(text, close=True):
    items = [label("Title", text, dyn={"class": "PopupTitle"}), Spacer()]
    if close:
        items += window_buttons(close_only=True)
    return hbox("TitleBar", items, margins=(12, 0, 4, 0),
                props={"minimumSize": ("size", 0, 34), "maximumSize": ("size", 16777215, 34)})


def scan_process():
    body = vbox("Body", [
        label("stage", "Scanning drive for deleted files.", props={"wordWrap": True}),
        W("QProgressBar", "progress", {"minimum": 0, "maximum": 100, "value": 0,
                                       "textVisible": False}),
        label("percent", "Current progress: 0%"),
        label("time", "Estimated time left: 0 seconds"),
        label("sectors", "Reading Sector 0 of 0", props={"visible": False}),
        label("totalfile", "Total Files Found: 0", props={"visible": False}),
        Spacer(horizontal=False),
        hbox("Buttons", [Spacer(), button("cancelbtn", "Cancel")]),
    ], margins=(18, 10, 18, 14), spacing=6)
    root = vbox("ScanProcessWnd", [popup_title("Scan File"), body], dyn={"caption": "0,0,0,34"},
                spacing=0)
    write("ScanProcessWnd.ui", root)


def message_boxes():
    kinds = [("Error", "error.png", [("okbtn", "OK")]),
             ("Confirm", "confirmation.png", [("okbtn", "OK"), ("cancelbtn", "Cancel")]),
             ("Information", "information.png", [("okbtn", "OK")]),
             ("Warning", "warning.png", [("okbtn", "OK")]),
             ("Question", "question.png", [("okbtn", "OK"), ("cancelbtn", "No")])]
    for kind, picture, buttons in kinds:
        title = hbox("TitleBar", [label("title", kind, dyn={"class": "PopupTitle"}), Spacer()]
                     + window_buttons(close_only=True), margins=(12, 0, 4, 0),
                     props={"minimumSize": ("size", 0, 34), "maximumSize": ("size", 16777215, 34)})
        body = hbox("Body", [
            label("icon", props={"pixmap": ("pixmap", IMG + "MessageBox/" + picture),
                                 "alignment": ("set", "Qt::AlignTop")}),
            label("message", "", props={"wordWrap": True,
                                        "alignment": ("set", "Qt::AlignLeft|Qt::AlignVCenter")}),
        ], margins=(18, 8, 18, 4), spacing=14)
        row = hbox("Buttons", [Spacer()] + [button(n, t) for n, t in buttons],
                   margins=(18, 0, 18, 12), spacing=8)
        root = vbox("MessageBox_" + kind, [title, body, row], dyn={"caption": "0,0,0,34",
                                                                    "kind": kind}, spacing=0)
        write("MessageBox_%s.ui" % kind, root)


def about():
    body = vbox("Body", [
        hbox("Header", [label("LogoBig", props={"pixmap": ("pixmap", IMG + "logo.png")}),
                        vbox("Names", [label("ProductName", "Free Keldrin",
                                             dyn={"class": "CardTitle"}),
                                       label("version", "Keldrin")], spacing=2), Spacer()],
             spacing=12),
        label("Description", "Finds deleted and lost files on memory cards, USB sticks and "
                             "disks, and copies them to a folder you choose. It only reads the "
                             "medium it scans.", props={"wordWrap": True}),
        hbox("LicenceRow", [label("LicenceLabel", "Licence:"), label("licence", ""), Spacer()]),
        Spacer(horizontal=False),
        hbox("Buttons", [Spacer(), button("okbtn", "OK")]),
    ], margins=(18, 10, 18, 14), spacing=8)
    root = vbox("AboutWnd", [popup_title("About"), body], dyn={"caption": "0,0,0,34"}, spacing=0)
    write("AboutWnd.ui", root)


def menu_assist():
    items = [("item_help", "User Guide", "help.png"), ("item_faq", "Questions and Answers", ""),
             ("item_about", "About", ""), ("item_support", "Support", ""),
             ("item_exit", "Exit", "")]
    actions = "".join('<action name="%s">%s%s</action>' % (
        n, prop("text", t), prop("icon", ("icon", IMG + icon)) if icon else "")
        for n, t, icon in items)
    order = ["item_help", "item_faq", "separator", "item_language", "separator", "item_about",
             "item_support", "separator", "item_exit"]
    adds = "".join('<addaction name="%s"/>' % n for n in order)
    sub = W("QMenu", "item_language", {"title": "Language"})
    root = W("QWidget", "menu_assist", children=[sub], extra=adds)
    write("menu_assist.ui", root, actions)


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    main_window()
    control_panel()
    scan_disk()
    file_type()
    recover_file()
    scan_process()
    message_boxes()
    about()
    menu_assist()
