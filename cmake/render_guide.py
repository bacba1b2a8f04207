"""Renders the user guide from Markdown to one self-contained HTML file, with
its screenshots embedded, so that the guide opens from any folder a ward
computer copies it to.

    render_guide.py GUIDE.md SHOTS_DIR OUT.html

Only the Markdown the guide uses is understood: headings (#, ##, ###),
paragraphs, lists (- and 1.), tables, code blocks (```), block quotes (>),
images on a line of their own, and inline `code`, **bold** and <url> links.
A screenshot the guide names must exist in SHOTS_DIR: a guide without its
pictures is an error, not a warning.
"""

import base64
import html
import os
import re
import sys

STYLE = """
body { font-family: "Microsoft YaHei UI", "Microsoft YaHei", "WenQuanYi Micro Hei", sans-serif;
       max-width: 1080px; margin: 2em auto; padding: 0 1.5em; line-height: 1.7; color: #2c3842; }
h1 { color: #006c96; border-bottom: 3px solid #0084b0; padding-bottom: .3em; }
h2 { color: #006c96; border-bottom: 1px solid #dae2e8; margin-top: 2em; }
h3 { color: #006c96; }
code, pre { font-family: Consolas, "DejaVu Sans Mono", monospace; background: #f4f7f9; }
code { padding: 0 .25em; }
pre { padding: .8em 1em; border: 1px solid #dae2e8; overflow-x: auto; line-height: 1.4; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #dae2e8; padding: .35em .8em; text-align: left; vertical-align: top; }
th { background: #ecf1f4; }
blockquote { margin: 1em 0; padding: .5em 1em; border-left: 4px solid #d66c00; background: #fdf6ee; }
figure { margin: 1.2em 0; }
figure img { max-width: 100%; border: 1px solid #dae2e8; }
figcaption { color: #78848e; font-size: .9em; }
"""

IMAGE_LINE = re.compile(r"^!\[([^\]]*)\]\(([^)\s]+)\)$")
ORDERED_ITEM = re.compile(r"^\d+\.\s+")


def inline(text):
    """Escapes text and applies `code`, **bold** and <url> links."""
    parts = re.split(r"(`[^`]+`)", text)
    out = []
    for part in parts:
        if part.startswith("`") and part.endswith("`") and len(part) > 1:
            out.append("<code>" + html.escape(part[1:-1]) + "</code>")
            continue
        escaped = html.escape(part)
        escaped = re.sub(r"\*\*(.+?)\*\*", r"<strong>\1</strong>", escaped)
        escaped = re.sub(r"&lt;(https?://[^&\s]+)&gt;", r'<a href="\1">\1</a>', escaped)
        out.append(escaped)
    return "".join(out)


def image(alt, name, shots_dir):
    path = os.path.join(shots_dir, os.path.basename(name))
    if not name.endswith(".png") or not os.path.isfile(path):
        raise SystemExit(f"render_guide: screenshot {name} not found in {shots_dir}")
    with open(path, "rb") as f:
        data = base64.b64encode(f.read()).decode("ascii")
    return (f'<figure><img src="data:image/png;base64,{data}" alt="{html.escape(alt)}">'
            f"<figcaption>{inline(alt)}</figcaption></figure>")


def table(rows):
    cells = [[c.strip() for c in row.strip().strip("|").split("|")] for row in rows]
    head, body = cells[0], cells[2:]  # cells[1] is the --- line under the head
    out = ["<table><thead><tr>"]
    out += [f"<th>{inline(c)}</th>" for c in head]
    out.append("</tr></thead><tbody>")
    for row in body:
        out.append("<tr>" + "".join(f"<td>{inline(c)}</td>" for c in row) + "</tr>")
    out.append("</tbody></table>")
    return "".join(out)


def render(lines, shots_dir):
    """The HTML body for the Markdown lines; returns (title, body)."""
    out = []
    title = ""
    i = 0
    while i < len(lines):
        line = lines[i].rstrip()
        if not line:
            i += 1
        elif line.startswith("```"):
            end = i + 1
            while end < len(lines) and not lines[end].startswith("```"):
                end += 1
            out.append("<pre>" + html.escape("\n".join(l.rstrip("\n") for l in lines[i + 1:end]))
                       + "</pre>")
            i = end + 1
        elif line.startswith("#"):
            level = len(line) - len(line.lstrip("#"))
            text = line[level:].strip()
            if level == 1 and not title:
                title = text
            out.append(f"<h{level}>{inline(text)}</h{level}>")
            i += 1
        elif IMAGE_LINE.match(line):
            alt, name = IMAGE_LINE.match(line).groups()
            out.append(image(alt, name, shots_dir))
            i += 1
        elif line.startswith("|"):
            end = i
            while end < len(lines) and lines[end].startswith("|"):
                end += 1
            out.append(table(lines[i:end]))
            i = end
        elif line.startswith("- ") or ORDERED_ITEM.match(line):
            ordered = not line.startswith("- ")
            items = []
            while i < len(lines) and lines[i].strip():
                item = lines[i].rstrip()
                if item.startswith("- ") or ORDERED_ITEM.match(item):
                    items.append(ORDERED_ITEM.sub("", item[2:] if item.startswith("- ") else item))
                else:  # a continuation line of the item before
                    items[-1] += " " + item.strip()
                i += 1
            tag = "ol" if ordered else "ul"
            out.append(f"<{tag}>" + "".join(f"<li>{inline(t)}</li>" for t in items) + f"</{tag}>")
        elif line.startswith(">"):
            quoted = []
            while i < len(lines) and lines[i].startswith(">"):
                quoted.append(lines[i][1:].strip())
                i += 1
            out.append("<blockquote><p>" + inline(" ".join(quoted)) + "</p></blockquote>")
        else:
            paragraph = []
            while i < len(lines) and lines[i].strip() and not lines[i].startswith(
                    ("#", "|", "```", "- ", ">")) and not IMAGE_LINE.match(lines[i].rstrip()):
                paragraph.append(lines[i].strip())
                i += 1
            # Chinese text needs no blank where a source line was broken.
            out.append("<p>" + inline("".join(paragraph)) + "</p>")
    return title, "\n".join(out)


def main(argv):
    if len(argv) != 4:
        raise SystemExit("usage: render_guide.py GUIDE.md SHOTS_DIR OUT.html")
    source, shots_dir, target = argv[1:]
    with open(source, encoding="utf-8") as f:
        title, body = render(f.read().splitlines(), shots_dir)
    page = (f'<!DOCTYPE html>\n<html lang="zh-CN">\n<head>\n<meta charset="utf-8">\n'
            f"<title>{html.escape(title)}</title>\n<style>{STYLE}</style>\n</head>\n"
            f"<body>\n{body}\n</body>\n</html>\n")
    os.makedirs(os.path.dirname(os.path.abspath(target)), exist_ok=True)
    with open(target, "w", encoding="utf-8", newline="\n") as f:
        f.write(page)


if __name__ == "__main__":
    main(sys.argv)
