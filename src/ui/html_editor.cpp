#include "ui/html_editor.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QTextDocument>

namespace albumsmith::ui {

namespace {

// Where the scan stands at the end of a line; tags, values and comments may
// run over several lines, so the next line starts from there.
enum State { kInText = 0, kInTag, kInDoubleQuoted, kInSingleQuoted, kInComment };

using Part = HtmlHighlighter::Part;

// A "<" opens a tag only before a name, an end tag, a declaration or a
// processing instruction: "a < b" in running text stays plain.
bool OpensTag(const QString& text, qsizetype i) {
  if (i + 1 >= text.size()) return false;
  const QChar next = text[i + 1];
  return next.isLetter() || next == u'/' || next == u'!' || next == u'?';
}

QFont EditorFont() {
  // The face the pages were written in on the first platform; machines
  // without it get the system's own fixed-pitch face.
  const QString preferred = QStringLiteral("Courier New");
  if (QFontDatabase::families().contains(preferred)) {
    QFont font(preferred);
    font.setStyleHint(QFont::Monospace);
    return font;
  }
  return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

}  // namespace

HtmlHighlighter::HtmlHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

QTextCharFormat HtmlHighlighter::formatOf(Part part) {
  QTextCharFormat format;
  switch (part) {
    case Part::kText:
      break;
    case Part::kTag:
      format.setForeground(QColor(0x00, 0x00, 0xb0));
      break;
    case Part::kValue:
      format.setForeground(QColor(0xa0, 0x00, 0xa0));
      break;
    case Part::kComment:
      format.setForeground(QColor(0x00, 0x80, 0x00));
      format.setFontItalic(true);
      break;
  }
  return format;
}

void HtmlHighlighter::highlightBlock(const QString& text) {
  int state = previousBlockState() < 0 ? kInText : previousBlockState();
  qsizetype runStart = 0;
  Part runPart = Part::kText;
  // Consecutive characters of one part go out as one range.
  auto mark = [&](qsizetype at, Part part) {
    if (part == runPart) return;
    if (runPart != Part::kText && at > runStart) setFormat(int(runStart), int(at - runStart), formatOf(runPart));
    runStart = at;
    runPart = part;
  };

  for (qsizetype i = 0; i < text.size();) {
    const QChar c = text[i];
    switch (state) {
      case kInText:
        if (c == u'<' && text.mid(i, 4) == QLatin1String("<!--")) {
          mark(i, Part::kComment);
          state = kInComment;
          i += 4;
        } else if (c == u'<' && OpensTag(text, i)) {
          mark(i, Part::kTag);
          state = kInTag;
          ++i;
        } else {
          mark(i, Part::kText);
          ++i;
        }
        break;
      case kInComment:
        mark(i, Part::kComment);
        if (text.mid(i, 3) == QLatin1String("-->")) {
          state = kInText;
          i += 3;
        } else {
          ++i;
        }
        break;
      case kInTag:
        if (c == u'"' || c == u'\'') {
          mark(i, Part::kValue);
          state = c == u'"' ? kInDoubleQuoted : kInSingleQuoted;
        } else {
          mark(i, Part::kTag);
          if (c == u'>') state = kInText;
        }
        ++i;
        break;
      case kInDoubleQuoted:
      case kInSingleQuoted:
        mark(i, Part::kValue);
        if (c == (state == kInDoubleQuoted ? u'"' : u'\'')) state = kInTag;
        ++i;
        break;
    }
  }
  mark(text.size(), Part::kText);
  setCurrentBlockState(state);
}

HtmlEditor::HtmlEditor(QWidget* parent) : QPlainTextEdit(parent), highlighter_(new HtmlHighlighter(document())) {
  setFont(EditorFont());
  // Markup lines are long; wrapping them would hide where a line really ends.
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTabStopDistance(4 * QFontMetrics(font()).horizontalAdvance(u' '));
}

QString HtmlEditor::html() const {
  QString text = document()->toRawText();
  for (QChar& c : text) {
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
  }
  return text;
}

}  // namespace albumsmith::ui
