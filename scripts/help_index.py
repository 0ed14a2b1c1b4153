#!/usr/bin/env python3
"""Writes the manual's Index page (keywords.html: its headings and the
commands it names, alphabetically, each linked to its section) and the text
the Search page searches (search-index.js), from the manual's pages.

    scripts/help_index.py [HELP_DIR]        (default resources/help)
    scripts/help_index.py --check [HELP_DIR]  fails when either is out of date
"""
import html
import json
import pathlib
import re
import sys

GENERATED = {"keywords.html", "search.html"}


def sections(page):
    """(anchor, heading, text, terms) for the page's top and each <h2 id>."""
    text = page.read_text(encoding="utf-8")
    body = text[text.index("<main>") + 6:text.index("</main>")]
    title = html.unescape(re.search(r"<h1>(.*?)</h1>", body, re.S).group(1))
    parts = re.split(r'<h2 id="([^"]+)">(.*?)</h2>', body)
    out = [("", title, parts[0])]
    for i in range(1, len(parts), 3):
        out.append((parts[i], html.unescape(parts[i + 1]), parts[i + 2]))
    result = []
    for anchor, heading, chunk in out:
        terms = [html.unescape(t) for t in re.findall(r"<b>(.*?)</b>", chunk)]
        plain = html.unescape(re.sub(r"<[^>]+>", " ", re.sub(r"<h1>.*?</h1>", "", chunk, flags=re.S)))
        result.append((anchor, heading, " ".join(plain.split()), terms))
    return title, result


def build(help_dir):
    pages = sorted(p for p in help_dir.glob("*.html") if p.name not in GENERATED)
    index, entries = [], {}
    for page in pages:
        title, secs = sections(page)
        for anchor, heading, text, terms in secs:
            href = page.name + ("#" + anchor if anchor else "")
            index.append({"href": href, "page": title, "heading": heading, "text": text})
            for word in [heading] + terms:
                entries.setdefault(word, set()).add((href, heading))
    js = "// Written by scripts/help_index.py from the manual's pages.\nvar manualText = " + \
         json.dumps(index, ensure_ascii=False, indent=0) + ";\n"
    items = []
    for word in sorted(entries, key=lambda w: w.lower()):
        links = ", ".join('<a href="%s">%s</a>' % (html.escape(h), html.escape(s))
                          for h, s in sorted(entries[word]))
        items.append("<li><b>%s</b>: %s</li>" % (html.escape(word), links))
    template = (help_dir / "index.html").read_text(encoding="utf-8")
    head = template[:template.index("<main>") + 6]
    head = re.sub(r"<title>.*?</title>", "<title>Index - Albumsmith manual</title>", head)
    keywords = head + "\n<h1>Index</h1>\n<ul class=\"keywords\">\n" + "\n".join(items) + \
        "\n</ul>\n</main>\n</body>\n</html>\n"
    return js, keywords


def main():
    args = [a for a in sys.argv[1:] if a != "--check"]
    help_dir = pathlib.Path(args[0] if args else pathlib.Path(__file__).resolve().parent.parent / "resources" / "help")
    js, keywords = build(help_dir)
    targets = {help_dir / "search-index.js": js, help_dir / "keywords.html": keywords}
    if "--check" in sys.argv:
        stale = [str(p) for p, text in targets.items() if not p.exists() or p.read_text(encoding="utf-8") != text]
        if stale:
            print("out of date (run scripts/help_index.py): " + ", ".join(stale))
            return 1
        return 0
    for path, text in targets.items():
        path.write_text(text, encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
