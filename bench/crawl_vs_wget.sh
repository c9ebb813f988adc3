#!/usr/bin/env bash
# Tarnwick's crawl against wget on the same loopback site; prints both times and file counts.
#   bench/crawl_vs_wget.sh [runs]      (default 3 runs of each, interleaved)
# The site has 1,000 pages and 2,000 images, every page within depth 3 of index.html, and the
# images on the pages of levels 0 to 2, so a crawl at depth 3 and "wget -r -l 3 -p" fetch the same
# 3,000 files. It is served by nginx on a free 127.0.0.1 port.
# CRAWL_HARNESS names another harness binary (default build/bench/crawl_harness).
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/nginx.sh

runs="${1:-3}"
harness="${CRAWL_HARNESS:-build/bench/crawl_harness}"
# A command put in front of the harness, for a profile: CRAWL_PROFILE="perf record -g -o /tmp/crawl.perf"
read -r -a profile <<<"${CRAWL_PROFILE:-}"
[ -x "$harness" ] || { echo "build the harness first: cmake --build build --target crawl_harness" >&2; exit 2; }
command -v wget >/dev/null || { echo "wget is not installed" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-bench-crawl-XXXXXX")
trap 'stop_nginx; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

python3 - "$work/site" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(1)
words = "offline reading cache page link image crawl depth host network viewer log schedule".split()

def write(path, data):
    full = os.path.join(root, path.lstrip("/"))
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)

def text(n):
    return " ".join(rng.choice(words) for _ in range(n))

def ref(page, target, style):
    """How page writes a reference to the site path target: root-relative (style 0), else relative
    to the page's folder, which starts with "../" for a target in a folder above it."""
    if style == 0:
        return target
    return os.path.relpath(target, os.path.dirname(page))

pages = ["/index.html"] + ["/s%d/index.html" % k for k in range(1, 10)]
pages += ["/s%d/p%d.html" % (k, j) for k in range(1, 10) for j in range(1, 11)]
leaves = ["/s%d/p%d/leaf%d.html" % (k, j, m) for k in range(1, 10) for j in range(1, 11) for m in range(1, 11)]
images = {}
for n, page in enumerate(pages):
    folder = os.path.dirname(page)
    own = []
    for i in range(20):
        # Root-relative, beside the page, or a folder up ("../") where the page has one above it.
        style = i % 3
        if style == 0:
            target = "/img/p%d_%d.gif" % (n, i)
        elif style == 1 or folder == "/":
            target = os.path.join(folder, "pics/p%d_%d.gif" % (n, i))
        else:
            target = os.path.join(os.path.dirname(folder), "shared/p%d_%d.gif" % (n, i))
        own.append((target, style))
        write(target, b"GIF89a" + rng.randbytes(rng.randint(1024, 16384)))
    images[page] = own

def page_html(page, links, imgs):
    parts = ["<html><head><title>%s</title></head>\n<body><h1>%s</h1>\n" % (page, text(4))]
    for target, style in imgs:
        parts.append("<p>%s</p>\n<img src=\"%s\" alt=\"%s\">\n" % (text(25), ref(page, target, style), text(2)))
    for target, style in links:
        parts.append("<p>%s <a href=\"%s\">%s</a></p>\n" % (text(15), ref(page, target, style), text(3)))
    parts.append("</body></html>\n")
    return "".join(parts).encode()

write("/index.html", page_html("/index.html", [("/index.html", 1)] + [("/s%d/index.html" % k, 1) for k in range(1, 10)],
                               images["/index.html"]))
for k in range(1, 10):
    section = "/s%d/index.html" % k
    links = [("/s%d/p%d.html" % (k, j), 1) for j in range(1, 11)] + [("/index.html", 1), ("/index.html", 0)]
    write(section, page_html(section, links, images[section]))
    for j in range(1, 11):
        page = "/s%d/p%d.html" % (k, j)
        links = [("/s%d/p%d/leaf%d.html" % (k, j, m), 1) for m in range(1, 11)]
        links += [(section, 1), ("/index.html", 0), ("/s%d/p%d.html" % (k, j % 10 + 1), 1)]
        write(page, page_html(page, links, images[page]))
        for m in range(1, 11):
            leaf = "/s%d/p%d/leaf%d.html" % (k, j, m)
            write(leaf, page_html(leaf, [(page, 1), (section, 1)], images[page][:2]))
print("site: %d pages, %d images" % (len(pages) + len(leaves), sum(len(v) for v in images.values())))
PY

start_nginx "$work/site/"
url="http://127.0.0.1:$NGINX_PORT/index.html"
echo "served by nginx at $url"

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

tarnwick_times=()
wget_times=()
for run in $(seq "$runs"); do
    rm -rf "$work/tarnwick" "$work/wget"
    mkdir -p "$work/tarnwick" "$work/wget"

    t0=$(now)
    report=$("${profile[@]}" "$harness" crawl "$url" "$work/tarnwick" 3) || report="$report, the run FAILED"
    t1=$(now)
    tarnwick_files=$(find "$work/tarnwick/cache" -type f ! -name tarnwick.htm | wc -l)
    tarnwick_times+=("$(seconds "$t0" "$t1")")

    t0=$(now)
    wget -r -l 3 -p -k -nv -e robots=off -P "$work/wget" "$url" 2>"$work/wget.log" || true
    t1=$(now)
    wget_files=$(find "$work/wget" -type f | wc -l)
    wget_times+=("$(seconds "$t0" "$t1")")

    printf 'run %d: tarnwick %6s s, %4d files (%s) | wget %6s s, %4d files\n' "$run" "${tarnwick_times[-1]}" \
        "$tarnwick_files" "$report" "${wget_times[-1]}" "$wget_files"
done
printf 'median of %d runs: tarnwick %s s, wget %s s\n' "$runs" \
    "$(printf '%s\n' "${tarnwick_times[@]}" | median)" "$(printf '%s\n' "${wget_times[@]}" | median)"
