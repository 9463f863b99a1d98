#!/usr/bin/env python3
"""Writes a configuration file with one project for the console runner.

The file is UTF-8 with a byte-order mark and CR LF line ends; its lines come
in the order the program itself writes them, and empty values are left out.
A project without start pages crawls everything under its website URL.
"""

import argparse
import sys

PREFIX = "HrvProjects"
OVERWRITE = {"none": 0, "all": 1, "changed": 2}


def flag(value):
    return "1" if value else "0"


def project_lines(args):
    """(name, value) pairs of one project, in the program's own order."""
    return [
        ("ProjectName", args.name),
        ("GroupName", args.group),
        ("WebsiteURL", args.url),
        ("OutputFolder", args.output_folder),
        ("Overwrite", str(OVERWRITE[args.overwrite])),
        ("RemoveScripts", flag(args.remove_scripts)),
        ("RemoveNoscripts", flag(args.remove_noscripts)),
        ("RelativePathLinks", flag(not args.absolute_links)),
        ("CompletePages", flag(args.complete_pages)),
        ("SiteFileNames", flag(args.site_file_names)),
        ("UpdateRequests", flag(args.update_requests)),
        ("IndexFile", args.index_file),
        ("Checked", "1"),
        ("Visible", "1"),
        ("WebPagesN", "0"),
        ("WebDocsN", "0"),
        ("ReplaceRulesN", "0"),
        ("SuppressURLsN", "0"),
    ]


def config_lines(args):
    project = "%s[1]." % PREFIX
    lines = ["%sN=1" % PREFIX]
    lines += ["%s%s=%s" % (project, name, value) for name, value in project_lines(args) if value]
    if args.outdir:
        lines.append("OutDir=%s" % args.outdir)
    if args.connections:
        lines.append("Connections=%d" % args.connections)
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("file", help="configuration file to write")
    parser.add_argument("--name", required=True, help="project name")
    parser.add_argument("--url", required=True, help="website URL, e.g. http://127.0.0.1:8080/")
    parser.add_argument(
        "--output-folder", default="{OutDir}/{ProjectName}", help="project output folder (default %(default)s)"
    )
    parser.add_argument("--outdir", default="", help="common output folder ({OutDir})")
    parser.add_argument("--group", default="", help="group name")
    parser.add_argument("--connections", type=int, default=0, help="connections per host (program default when 0)")
    parser.add_argument("--overwrite", choices=sorted(OVERWRITE), default="all", help="overwrite policy")
    parser.add_argument("--index-file", default="", help="index file name (program default when empty)")
    parser.add_argument("--remove-scripts", action="store_true")
    parser.add_argument("--remove-noscripts", action="store_true")
    parser.add_argument("--absolute-links", action="store_true", help="write file:/// links, not relative ones")
    parser.add_argument(
        "--complete-pages", action="store_true", help="also copy what style sheets, srcset and media name"
    )
    parser.add_argument(
        "--site-file-names", action="store_true", help="save under the site's own names, not folders per page"
    )
    parser.add_argument(
        "--update-requests", action="store_true", help="ask with the last run's validators (conditional requests)"
    )
    args = parser.parse_args()

    text = "".join(line + "\r\n" for line in config_lines(args))
    with open(args.file, "wb") as out:
        out.write(b"\xef\xbb\xbf" + text.encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
