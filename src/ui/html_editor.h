#pragma once
// The HTML editor of the folder properties and of the footer section: plain
// text in a monospaced face, coloured as HTML while it is typed. Tags, the
// quoted values inside them and comments each get their own format; the rest
// stays plain. The text itself is never changed by the colouring.

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace albumsmith::ui {

class HtmlHighlighter : public QSyntaxHighlighter {
  Q_OBJECT
 public:
  // What a character of the text belongs to.
  enum class Part { kText, kTag, kValue, kComment };

  explicit HtmlHighlighter(QTextDocument* document);

  // The format a part is drawn in; kText is the empty format.
  static QTextCharFormat formatOf(Part part);

 protected:
  void highlightBlock(const QString& text) override;
};

class HtmlEditor : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit HtmlEditor(QWidget* parent = nullptr);

  HtmlHighlighter* highlighter() const { return highlighter_; }
  // The text as typed, lines ending with "\n". Unlike toPlainText() it keeps
  // non-breaking spaces: they are part of what the page shows.
  QString html() const;

 private:
  HtmlHighlighter* highlighter_;
};

}  // namespace albumsmith::ui
