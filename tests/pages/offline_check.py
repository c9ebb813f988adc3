#!/usr/bin/env python3
"""Opens a stored page in headless Chromium and reports what it shows offline.

    offline_check.py PAGE [--allow-loopback] [--chromium PATH] [--timeout SECONDS]

A checker page in a temporary folder, opened with a fresh browser profile, loads PAGE in a frame;
once the frame has loaded, it lists every image (its address and whether it was decoded) and
every link and background address of the page, and writes the list into its own document, which
Chromium prints with --dump-dom. Every network request is blocked: a proxy that does not exist
takes all of them, loopback included, and every host name fails to resolve. --allow-loopback lets
requests to 127.0.0.1 and "localhost" through (every other host still fails to resolve), so a
caller can show that an image the blocked run could not load is really there.

Prints one JSON object:
    {"images": [{"src": ..., "loaded": bool}], "anchors": [{"href": ..., "exists": bool|null}],
     "backgrounds": [{"href": ..., "exists": bool|null}], "problems": [text, ...]}
"exists" tells whether a file: address names an existing file (null for other addresses).
"problems" lists every file: image that did not load and every file: address that names no file.

Exit status: 0 without problems, 1 with problems, 2 when Chromium gave no report.
Only the Python standard library is used.
"""

import argparse
import html
import json
import os
import pathlib
import signal
import subprocess
import sys
import tempfile
import urllib.parse

REPORT_MARK = "TARNWICK-REPORT-"
REPORT_START = REPORT_MARK + "START"
REPORT_END = REPORT_MARK + "END"

# The checker runs in the browser. The frame's load event comes after every image of the page
# has loaded or failed, so "complete" is final by then; naturalWidth is 0 for a failed image.
CHECKER = """<!DOCTYPE html>
<html><body>
<iframe id="page" src="%(page)s" width="800" height="600"></iframe>
<script>
const frame = document.getElementById("page");
frame.addEventListener("load", () => {
    let report;
    try {
        const doc = frame.contentDocument;
        const absolute = (value) => new URL(value, doc.baseURI).href;
        report = {
            images: Array.from(doc.images, (img) => ({src: img.src, loaded: img.complete && img.naturalWidth > 0})),
            anchors: Array.from(doc.querySelectorAll("a[href]"), (a) => a.href),
            backgrounds: Array.from(doc.querySelectorAll("[background]"),
                                    (e) => absolute(e.getAttribute("background"))),
        };
    } catch (error) {
        report = {error: String(error)};
    }
    const out = document.createElement("pre");
    // The marks are joined here, so the script's own text in the dump never holds them.
    out.textContent = "%(mark)s" + "START" + JSON.stringify(report) + "%(mark)s" + "END";
    document.body.appendChild(out);
});
</script>
</body></html>
"""

BLOCK_NETWORK = [
    "--proxy-server=127.0.0.1:9",
    "--proxy-bypass-list=<-loopback>",
    "--host-resolver-rules=MAP * ~NOTFOUND",
]
LOOPBACK_ONLY = ["--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE localhost, EXCLUDE 127.0.0.1"]


def file_exists(address):
    """True or False for a file: address, None for any other."""
    parts = urllib.parse.urlsplit(address)
    if parts.scheme != "file":
        return None
    return os.path.isfile(urllib.parse.unquote(parts.path))


def run_chromium(chromium, checker, allow_loopback, timeout):
    with tempfile.TemporaryDirectory(prefix="tarnwick-chromium-") as profile:
        command = [
            chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--user-data-dir=" + profile, "--allow-file-access-from-files",
        ]
        command += LOOPBACK_ONLY if allow_loopback else BLOCK_NETWORK
        command += ["--virtual-time-budget=5000", "--dump-dom", checker.as_uri()]
        # Its own process group, so a hung browser goes with all of its helper processes.
        process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   stdin=subprocess.DEVNULL, start_new_session=True)
        try:
            out, err = process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.communicate()
            return None, "Chromium did not finish within %d seconds" % timeout
    text = out.decode("utf-8", "replace")
    start = text.find(REPORT_START)
    end = text.find(REPORT_END, start + 1)
    if start < 0 or end < 0:
        tail = err.decode("utf-8", "replace").strip().splitlines()[-5:]
        return None, "no report in Chromium's output (exit %d): %s" % (process.returncode, " | ".join(tail))
    return json.loads(html.unescape(text[start + len(REPORT_START):end])), ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("page", type=pathlib.Path)
    parser.add_argument("--allow-loopback", action="store_true")
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    parser.add_argument("--timeout", type=int, default=90)
    options = parser.parse_args()

    page = options.page.resolve()
    if not page.is_file():
        print("no such page: %s" % page, file=sys.stderr)
        return 2
    with tempfile.TemporaryDirectory(prefix="tarnwick-checker-") as folder:
        checker = pathlib.Path(folder) / "checker.htm"
        checker.write_text(CHECKER % {"page": page.as_uri(), "mark": REPORT_MARK})
        report, error = run_chromium(options.chromium, checker, options.allow_loopback, options.timeout)
    if report is None or "error" in report:
        print(error or report["error"], file=sys.stderr)
        return 2

    result = {"images": report["images"], "anchors": [], "backgrounds": [], "problems": []}
    for image in report["images"]:
        if image["src"].startswith("file:") and not image["loaded"]:
            result["problems"].append("image did not load: " + image["src"])
    for kind in ("anchors", "backgrounds"):
        for address in report[kind]:
            exists = file_exists(address)
            result[kind].append({"href": address, "exists": exists})
            if exists is False:
                result["problems"].append("no such file: " + address)
    print(json.dumps(result, indent=1))
    return 1 if result["problems"] else 0


if __name__ == "__main__":
    sys.exit(main())
