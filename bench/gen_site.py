#!/usr/bin/env python3
"""Generates a static website for whole-crawl benchmarks.

The site has PAGES HTML pages of 8-20 KB with 10-30 links each, spread over
nested folders (sNNN/tN/), a few hundred PNG images (1-9 KB) and one shared
style sheet and script; every file is linked. Every page is reachable from /index.html: page i links to
pages 2i+1 and 2i+2, so a breadth-first crawl goes about log2(PAGES) levels
deep; the other links point at random pages, near and far, written as
relative, root-relative and folder ("sNNN/tN/") URLs, some with fragments.
The output depends only on the arguments (seeded random numbers).
"""

import argparse
import os
import posixpath
import random
import shutil
import struct
import sys
import zlib

GENERATOR_VERSION = 4
PAGES_PER_SECTION = 400
PAGES_PER_FOLDER = 40
IMAGES_PER_FOLDER = 50
STAMP_FILE = ".gen_site"

WORDS = (
    "archive mirror crawl page link folder index local copy site server request response header body "
    "image style script anchor document offline browse fetch queue depth limit rule pattern replace "
    "output project domain alias charset encoding network client cache record report summary list "
    "river stone cloud winter summer market garden window letter number market table chair paper"
).split()

CSS = """body { font-family: Georgia, serif; margin: 2em auto; max-width: 48em; color: #222; }
nav a { margin-right: 0.5em; }
.gallery img { border: 1px solid #ccc; margin: 4px; }
footer { border-top: 1px solid #ddd; margin-top: 2em; font-size: small; }
"""
# Background images that only the style sheet names.
BACKGROUNDS = 11
CSS += "".join(".bg-%d { background: url(backgrounds/bg-%d.png) repeat-x; }\n" % (i, i) for i in range(BACKGROUNDS))

JS = """(function () {
  var links = document.getElementsByTagName("a");
  for (var i = 0; i < links.length; i++) links[i].setAttribute("data-index", i);
})();
"""


def page_path(index):
    """Site path of page `index`, without the leading slash."""
    if index == 0:
        return "index.html"
    folder = "s%03d/t%d/" % (index // PAGES_PER_SECTION, (index // PAGES_PER_FOLDER) % 10)
    if index % PAGES_PER_FOLDER == 0:
        return folder + "index.html"
    return folder + "p%05d.html" % index


def image_path(index):
    return "img/%02d/i%04d.png" % (index // IMAGES_PER_FOLDER, index)


def link_to(rng, from_path, to_path):
    """A URL for to_path as written on the page at from_path: relative or
    root-relative, and a folder's index page as its folder."""
    if posixpath.basename(to_path) == "index.html":
        to_path = to_path[: -len("index.html")]
    if rng.random() < 0.3:
        return "/" + to_path
    relative = posixpath.relpath("/" + to_path, "/" + posixpath.dirname(from_path))
    if to_path == "" or to_path.endswith("/"):
        return "./" if relative == "." else relative + "/"
    return relative


def png(rng):
    """A grey-scale PNG of random pixels (1-9 KB, hardly compressible)."""
    width = height = rng.randint(32, 96)
    rows = b"".join(b"\x00" + rng.randbytes(width) for _ in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b"")


def sentence_pool(rng, count):
    pool = []
    for _ in range(count):
        words = [rng.choice(WORDS) for _ in range(rng.randint(8, 20))]
        pool.append(" ".join(words).capitalize() + ".")
    return pool


def page_links(rng, index, pages):
    """10-30 distinct targets: the two tree children, then random pages."""
    wanted = min(rng.randint(10, 30), pages - 1)  # small sites cannot fill 30 links
    targets = [child for child in (2 * index + 1, 2 * index + 2) if child < pages]
    seen = set(targets) | {index}
    while len(targets) < wanted:
        if rng.random() < 0.5:
            candidate = min(pages - 1, max(0, index + rng.randint(-60, 60)))
        else:
            candidate = rng.randrange(pages)
        if candidate not in seen:
            seen.add(candidate)
            targets.append(candidate)
    return targets


def render_page(rng, index, pages, images, sentences):
    path = page_path(index)
    size = rng.randint(8 * 1024, 20 * 1024)
    links = []
    for target in page_links(rng, index, pages):
        url = link_to(rng, path, page_path(target))
        if rng.random() < 0.1:
            url += "#section%d" % rng.randint(1, 3)
        links.append('<a href="%s">Page %d</a>' % (url, target))
    # Page i shows image i first, so that every image is reachable.
    shown = [index % images] + [rng.randrange(images) for _ in range(rng.randint(0, 2))]
    pictures = [
        '<img src="%s" alt="picture %d">' % (link_to(rng, path, image_path(image)), image) for image in shown
    ]

    head = (
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Page %d</title>\n"
        '<link rel="stylesheet" type="text/css" href="/assets/site.css">\n'
        '<script src="/assets/site.js"></script>\n</head>\n<body>\n'
        '<nav><a href="/">Home</a> <a href="#section1">Section 1</a></nav>\n<h1>Page %d</h1>\n' % (index, index)
    )
    tail = '<div class="gallery">%s</div>\n<footer>Generated page %d of %d.</footer>\n</body>\n</html>\n' % (
        " ".join(pictures),
        index,
        pages,
    )
    parts = [head]
    length = len(head) + len(tail)
    link_slot = 0
    paragraph = 0
    # Paragraphs carry the links until the page reaches its size.
    while length < size or link_slot < len(links):
        paragraph += 1
        text = " ".join(rng.choice(sentences) for _ in range(rng.randint(3, 7)))
        if link_slot < len(links):
            take = rng.randint(1, 4)
            text += " " + " ".join(links[link_slot : link_slot + take])
            link_slot += take
        anchor = ' id="section%d"' % paragraph if paragraph <= 3 else ""
        chunk = "<p%s>%s</p>\n" % (anchor, text)
        parts.append(chunk)
        length += len(chunk)
    parts.append(tail)
    return path, "".join(parts)


def write(root, relative, data):
    path = os.path.join(root, *relative.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def stamp(args):
    return "version=%d pages=%d images=%d seed=%d\n" % (GENERATOR_VERSION, args.pages, args.images, args.seed)


def generate(args):
    rng = random.Random(args.seed)
    sentences = sentence_pool(rng, 3000)
    write(args.outdir, "assets/site.css", CSS.encode())
    write(args.outdir, "assets/site.js", JS.encode())
    for image in range(args.images):
        write(args.outdir, image_path(image), png(rng))
    total = 0
    for index in range(args.pages):
        path, text = render_page(rng, index, args.pages, args.images, sentences)
        data = text.encode()
        total += len(data)
        write(args.outdir, path, data)
    backgrounds = random.Random(args.seed + 1)
    for i in range(BACKGROUNDS):
        write(args.outdir, "assets/backgrounds/bg-%d.png" % i, png(backgrounds))
    write(args.outdir, STAMP_FILE, stamp(args).encode())
    return total


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("outdir", help="folder to create (replaced when it holds another site)")
    parser.add_argument("-n", "--pages", type=int, default=2000, help="number of HTML pages (default 2000)")
    parser.add_argument("--images", type=int, help="number of images (default 300, at most one a page)")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    args = parser.parse_args()
    if args.images is None:
        args.images = min(300, args.pages)
    if args.pages < 1 or args.images < 1:
        parser.error("--pages and --images must be at least 1")

    stamp_path = os.path.join(args.outdir, STAMP_FILE)
    if os.path.exists(stamp_path):
        with open(stamp_path) as existing:
            if existing.read() == stamp(args):
                print("%s: already generated (%s)" % (args.outdir, stamp(args).strip()))
                return 0
    if os.path.exists(args.outdir):
        if not os.path.exists(stamp_path):
            sys.exit("%s exists and was not made by this script; not replacing it" % args.outdir)
        shutil.rmtree(args.outdir)
    total = generate(args)
    print(
        "%s: %d pages (%.1f MB of HTML), %d images" % (args.outdir, args.pages, total / 1e6, args.images)
    )
    return 0


if __name__ == "__main__":
    sys.exit(main())
