#!/usr/bin/env python3
"""Renders the run-time pictures of the program from the SVG sources in art/.

Usage: gen-resources.py --out DIR

Writes DIR/Resources/... (PNG, GIF and ICO files). Every PNG that a style sheet
or an icon may show on a high-DPI screen also gets a "@2x" twin, which Qt picks
up by itself for border images and icons. Needs python3, rsvg-convert
(librsvg2-bin) and ImageMagick's convert (for the GIF animations and the ICO).
"""

import argparse
import concurrent.futures
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ART = os.path.join(REPO, "art")

# The chrome's colours; the pictures sit on these backgrounds.
TITLE_TEXT = "#A3A4AA"
ACCENT = "#3E7BFA"
ACCENT_HOVER = "#5A8FFF"
ACCENT_PRESS = "#2F66D6"
DISABLED_FILL = "#3A4060"
FIELD = "#3C4054"
BUSY_BG = "#323639"      # the busy dialog fills itself with (50,54,57)
DIALOG_BG = "#2D334D"    # dialogs are painted in (45,51,77)


def read(*parts):
    with open(os.path.join(ART, *parts), encoding="utf-8") as f:
        return f.read()


def glyph_body(name, colour):
    """The inner elements of a 16x16 glyph source, recoloured."""
    text = read("glyphs", name + ".svg")
    inner = re.search(r"<svg[^>]*>(.*)</svg>", text, re.S).group(1)
    return inner.replace("#D6D6D7", colour)


def find_tool(name, candidates):
    for path in candidates:
        if path and os.path.isfile(path) and os.access(path, os.X_OK):
            return path
    found = shutil.which(name)
    if not found:
        sys.exit("gen-resources: '%s' not found (install %s)" % (name, " or ".join(candidates[-1:])))
    return found


class Renderer:
    def __init__(self, out_dir, work_dir):
        self.out = os.path.join(out_dir, "Resources")
        self.work = work_dir
        self.jobs = []
        self.after = []  # steps that need rendered frames (GIF, ICO)
        self.rsvg = find_tool("rsvg-convert", ["/usr/bin/rsvg-convert", "librsvg2-bin"])
        # /usr/bin/convert first: some machines shadow it with a stand-in elsewhere on PATH.
        self.convert = find_tool("convert", ["/usr/bin/convert", "imagemagick"])
        self.counter = 0

    def source(self, svg_text):
        self.counter += 1
        path = os.path.join(self.work, "src%04d.svg" % self.counter)
        with open(path, "w", encoding="utf-8") as f:
            f.write(svg_text)
        return path

    def png(self, rel, svg, w, h, hidpi=True, to_work=False):
        """Queues SVG text or an art/ file path for rendering at w x h (and @2x)."""
        src = svg if os.path.isfile(svg) else self.source(svg)
        base = self.work if to_work else self.out
        target = os.path.join(base, rel)
        self.jobs.append((src, target, w, h))
        if hidpi:
            stem, ext = os.path.splitext(target)
            self.jobs.append((src, stem + "@2x" + ext, 2 * w, 2 * h))
        return target

    def run(self):
        def one(job):
            src, target, w, h = job
            os.makedirs(os.path.dirname(target), exist_ok=True)
            subprocess.run([self.rsvg, "-w", str(w), "-h", str(h), "-o", target, src], check=True)
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            list(pool.map(one, self.jobs))
        for step in self.after:
            step()


def text_button(r, rel, w, h, label, kind):
    """Four state pictures of a button whose caption is drawn into it."""
    template = read("templates", "text-button.svg")
    styles = {
        "primary": {
            "": dict(fill=ACCENT, fill_opacity=1, stroke="#FFFFFF", stroke_opacity=0.12, text="#FFFFFF", text_opacity=1),
            "_hover": dict(fill=ACCENT_HOVER, fill_opacity=1, stroke="#FFFFFF", stroke_opacity=0.2, text="#FFFFFF", text_opacity=1),
            "_press": dict(fill=ACCENT_PRESS, fill_opacity=1, stroke="#000000", stroke_opacity=0.15, text="#FFFFFF", text_opacity=0.9),
            "_disable": dict(fill=DISABLED_FILL, fill_opacity=1, stroke="#FFFFFF", stroke_opacity=0.06, text="#FFFFFF", text_opacity=0.35),
        },
        "secondary": {
            "": dict(fill=FIELD, fill_opacity=1, stroke="#FFFFFF", stroke_opacity=0.14, text="#FFFFFF", text_opacity=0.9),
            "_hover": dict(fill="#4A4F66", fill_opacity=1, stroke="#FFFFFF", stroke_opacity=0.22, text="#FFFFFF", text_opacity=1),
            "_press": dict(fill="#32364A", fill_opacity=1, stroke="#FFFFFF", stroke_opacity=0.1, text="#FFFFFF", text_opacity=0.85),
            "_disable": dict(fill="#30344A", fill_opacity=1, stroke="#FFFFFF", stroke_opacity=0.05, text="#FFFFFF", text_opacity=0.3),
        },
    }[kind]
    stem, ext = os.path.splitext(rel)
    font_size = 14 if h >= 28 else 12
    for suffix, style in styles.items():
        svg = template.format(w=w, h=h, rw=w - 1, rh=h - 1, radius=min(6, h // 4), tx=w / 2,
                              ty=h / 2 + font_size * 0.36, font_size=font_size, weight=600,
                              label=label, extra="", **style)
        r.png(stem + suffix + ext, svg, w, h)


def sort_button(r):
    """The 74 x 20 "Sort by" button of the page's top bar; the disabled state reuses the normal picture."""
    template = read("templates", "text-button.svg")
    states = {
        "": (0.0, 0.6),
        "_hover": (0.08, 1.0),
        "_press": (0.14, 0.85),
    }
    for suffix, (bg, text_opacity) in states.items():
        chevron = ('<svg x="58" y="3" width="14" height="14" viewBox="0 0 16 16" opacity="%s">%s</svg>'
                   % (text_opacity, glyph_body("chevron", "#FFFFFF")))
        svg = template.format(w=74, h=20, rw=73, rh=19, radius=4, fill="#FFFFFF", fill_opacity=bg,
                              stroke="#FFFFFF", stroke_opacity=0, tx=32, ty=14.3, font_size=12, weight=400,
                              text="#FFFFFF", text_opacity=text_opacity, label="Sort by", extra=chevron)
        r.png("sortby%s.png" % suffix, svg, 74, 20)


def glyph_buttons(r):
    template = read("templates", "glyph-button.svg")

    def states(rel, glyph, w, h, gs, table, radius=0):
        stem, ext = os.path.splitext(rel)
        for suffix, (fill, fill_opacity, colour, glyph_opacity) in table.items():
            svg = template.format(w=w, h=h, radius=radius, fill=fill, fill_opacity=fill_opacity,
                                  gx=(w - gs) / 2, gy=(h - gs) / 2, gs=gs, glyph_opacity=glyph_opacity,
                                  glyph=glyph_body(glyph, colour))
            r.png(stem + suffix + ext, svg, w, h)

    # Title-bar buttons, 40 x 32: the glyph brightens on hover; close turns red.
    plain = {
        "_normal": ("#FFFFFF", 0.0, TITLE_TEXT, 1),
        "_hover": ("#FFFFFF", 0.08, "#FFFFFF", 1),
        "_press": ("#FFFFFF", 0.04, "#D6D6D7", 1),
        "_disable": ("#FFFFFF", 0.0, TITLE_TEXT, 0.35),
    }
    for name in ("menu", "minimize", "maximize", "restore"):
        states(name + ".png", name, 40, 32, 16, plain)
    states("close.png", "close", 40, 32, 16, {
        "_normal": ("#FFFFFF", 0.0, TITLE_TEXT, 1),
        "_hover": ("#E81123", 1.0, "#FFFFFF", 1),
        "_press": ("#B70F1E", 1.0, "#FFFFFF", 0.9),
        "_disable": ("#FFFFFF", 0.0, TITLE_TEXT, 0.35),
    })
    # 16 x 16 tool buttons of the page and its rows.
    states("refresh.png", "refresh", 16, 16, 16, {
        "_normal": ("#FFFFFF", 0, "#B8BAC6", 1),
        "_hover": ("#FFFFFF", 0, "#FFFFFF", 1),
        "_press": ("#FFFFFF", 0, "#5A93FF", 1),
        "_disable": ("#FFFFFF", 0, "#B8BAC6", 0.35),
    })
    states("icon_trash.png", "trash", 16, 16, 16, {
        "": ("#FFFFFF", 0, "#B8BAC6", 1),
        "_hover": ("#FFFFFF", 0, "#FF6369", 1),
        "_press": ("#FFFFFF", 0, "#D9434A", 1),
    })
    states("icon_search.png", "search", 16, 16, 16, {"": ("#FFFFFF", 0, "#8E90A0", 1)})


def check_boxes(r):
    """Indicator pictures for the style sheet's check boxes (the tree rows, the confirmation dialog)."""
    source = read("pictures", "checkbox.svg")
    on = source.replace('opacity="0"', 'opacity="1"').replace('fill="#3C4054" stroke="#6B7089"',
                                                               'fill="%s" stroke="%s"' % (ACCENT, ACCENT))
    variants = {
        "checkbox_unchecked": source,
        "checkbox_unchecked_hover": source.replace('stroke="#6B7089"', 'stroke="#8FA8FF"'),
        "checkbox_unchecked_disable": source.replace('fill="#3C4054" stroke="#6B7089"',
                                                     'fill="#2F3348" stroke="#464B60"'),
        "checkbox_checked": on,
        "checkbox_checked_hover": on.replace('fill="%s" stroke="%s"' % (ACCENT, ACCENT),
                                             'fill="%s" stroke="%s"' % (ACCENT_HOVER, ACCENT_HOVER)),
        "checkbox_checked_disable": on.replace('fill="%s" stroke="%s"' % (ACCENT, ACCENT),
                                               'fill="#4A5578" stroke="#4A5578"').replace(
                                                   'stroke="#FFFFFF"', 'stroke="#A9B0C6"'),
    }
    for name, svg in variants.items():
        r.png(name + ".png", svg, 16, 16)


def spinner_svg(angle, arc):
    source = read("pictures", "spinner.svg")
    circumference = 2 * math.pi * 24
    return (source.replace('stroke-dasharray="40 160"', 'stroke-dasharray="%.2f %.2f"' % (arc, circumference))
                  .replace("rotate(-90 32 32)", "rotate(%.2f 32 32)" % (angle - 90)))


def row_frames(r):
    """The 50 frames of a row's progress animation, 100 ms each: two turns per 5-second cycle."""
    for i in range(50):
        t = i / 50.0
        arc = 40 + 50 * (0.5 - 0.5 * math.cos(2 * math.pi * t * 2))
        r.png("loading/loading_%d.png" % i, spinner_svg(720 * t, arc), 16, 16)


def gif(r, rel, size, background, frames, delay_cs):
    """An animated GIF on an opaque background: GIF has no soft transparency."""
    paths = []
    for i in range(frames):
        t = i / float(frames)
        arc = 40 + 50 * (0.5 - 0.5 * math.cos(2 * math.pi * t))
        svg = spinner_svg(360 * t, arc).replace(
            '<circle cx="32" cy="32" r="24" stroke="#FFFFFF"',
            '<rect width="64" height="64" fill="%s"/><circle cx="32" cy="32" r="24" stroke="#FFFFFF"' % background, 1)
        paths.append(r.png("%s.frame%02d.png" % (rel, i), svg, size, size, hidpi=False, to_work=True))

    def assemble():
        subprocess.run([r.convert, "-delay", str(delay_cs), "-loop", "0"] + paths +
                       ["-layers", "Optimize", os.path.join(r.out, rel)], check=True)
    r.after.append(assemble)


def logos(r):
    logo = os.path.join(ART, "pictures", "logo.svg")
    r.png("Logo128.png", logo, 128, 128)
    r.png("logo.png", logo, 80, 80)
    r.png("titlebar_logo.png", logo, 32, 32)
    sizes = (16, 24, 32, 48, 64, 128, 256)
    parts = [r.png("ico%d.png" % s, logo, s, s, hidpi=False, to_work=True) for s in sizes]

    def ico():
        subprocess.run([r.convert] + parts + [os.path.join(r.out, "Logo.ico")], check=True)
    r.after.append(ico)


def pictures(r):
    p = lambda name: os.path.join(ART, "pictures", name)
    r.png("loading.png", p("splash.svg"), 600, 370)
    for name in ("tip_suc", "tip_warnning", "tip_ok", "tip_failed"):
        r.png(name + ".png", p(name + ".svg"), 64, 64)
    r.png("Installer.png", p("installer.svg"), 32, 32)
    r.png("Success.png", p("success.svg"), 96, 96)
    r.png("Failure.png", p("tip_failed.svg"), 96, 96)
    r.png("searchbox.png", p("searchbox.svg"), 200, 32)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="folder that receives Resources/")
    args = parser.parse_args()

    out_res = os.path.join(args.out, "Resources")
    with tempfile.TemporaryDirectory(prefix="gen-resources-") as work:
        staging = os.path.join(work, "out")
        r = Renderer(staging, work)
        logos(r)
        pictures(r)
        glyph_buttons(r)
        check_boxes(r)
        sort_button(r)
        text_button(r, "messagebox/btn_pri.png", 96, 32, "OK", "primary")
        text_button(r, "messagebox/btn_sec.png", 96, 32, "Cancel", "secondary")
        text_button(r, "messagebox/btn_pril.png", 128, 32, "Update Now", "primary")
        text_button(r, "messagebox/btn_delete.png", 96, 32, "Delete", "primary")
        text_button(r, "btn_uninstall.png", 144, 32, "Uninstall", "primary")
        row_frames(r)
        os.makedirs(r.out, exist_ok=True)
        gif(r, "loading_b.gif", 40, BUSY_BG, 24, 4)
        gif(r, "check_update.gif", 64, DIALOG_BG, 24, 4)
        r.run()
        # Replace the old folder only once everything rendered, so that a failed
        # run never leaves a half-filled Resources/ behind.
        if os.path.isdir(out_res):
            shutil.rmtree(out_res)
        os.makedirs(args.out, exist_ok=True)
        shutil.move(r.out, out_res)
    count = sum(len(files) for _, _, files in os.walk(out_res))
    print("gen-resources: %d files in %s" % (count, out_res))


if __name__ == "__main__":
    main()
