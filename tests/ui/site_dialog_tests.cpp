// The dialogs that shape the generated pages, driven headless against the
// files they leave: "Folder properties" (Folder.ini, Folder.html), its
// "Variables" (the variables sections), the HTML colouring, and the
// "Templates" tab of the profiles dialog with the template pictures.

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "imaging/jpeg_codec.h"
#include "platform/app_settings.h"
#include "platform/atomic_file.h"
#include "platform/ini_file.h"
#include "platform/prompter.h"
#include "site/folder_properties.h"
#include "site/variables.h"
#include "store/profiles.h"
#include "ui/folder_properties_dialog.h"
#include "ui/html_editor.h"
#include "ui/preview_window.h"
#include "ui/profiles_dialog.h"
#include "ui/variables_dialog.h"
#include "ui_test_support.h"

using namespace albumsmith;
using namespace albumsmith::ui;
namespace fs = std::filesystem;

namespace {

const char* const kProfile = "Trips";

void WriteText(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

std::string TextOf(const fs::path& file) { return ReadWholeFile(file).value_or("<missing>"); }

// The part the highlighter gave the character at `column` of line `line`.
HtmlHighlighter::Part PartAt(const QTextDocument& document, int line, int column) {
  using Part = HtmlHighlighter::Part;
  const QTextBlock block = document.findBlockByNumber(line);
  for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
    if (column < range.start || column >= range.start + range.length) continue;
    for (Part part : {Part::kTag, Part::kValue, Part::kComment})
      if (range.format == HtmlHighlighter::formatOf(part)) return part;
  }
  return Part::kText;
}

// A picture as the program decodes it, in one pixel format for comparing.
QImage Decoded(const fs::path& file) {
  ImageBuffer image;
  if (!LoadJpeg(file.string(), image, false)) return {};
  const QImage::Format format = image.components() == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8;
  return QImage(image.data(), image.width(), image.height(), static_cast<qsizetype>(image.rowBytes()), format)
      .convertToFormat(QImage::Format_RGB32);
}

QImage Shown(const QLabel* label) { return label->pixmap().toImage().convertToFormat(QImage::Format_RGB32); }

std::vector<std::pair<QString, QString>> RowsOf(const QTreeWidget* list) {
  std::vector<std::pair<QString, QString>> rows;
  for (int i = 0; i < list->topLevelItemCount(); ++i)
    rows.emplace_back(list->topLevelItem(i)->text(0), list->topLevelItem(i)->text(1));
  return rows;
}

}  // namespace

class SiteDialogTests : public GuiTestCase {
  Q_OBJECT

 private:
  std::string profileDir() const { return ProfileDirectory(profilesDir(), ReadProfile(profilesDir(), kProfile)); }
  fs::path folderDir(const std::string& folder) const { return fs::path(profileDir()) / "ImageTree" / folder; }

 private slots:
  void initTestCase() { QVERIFY(setUpRun()); }

  void init() {
    QVERIFY(setUpTest());
    ProfileSettings settings = NewProfileSettings(kProfile);
    settings.remoteDir = "/trips/";
    QVERIFY(CreateProfile(profilesDir(), settings));
    for (const char* folder : {"Alps", "Beach"}) fs::create_directories(folderDir(folder));
  }

  void cleanup() { tearDownTest(); }

  // The dialog opens with what the folder's files hold (the root page for a
  // root without Folder.ini), follows its radio and check with the editor and
  // the title field, and OK writes Folder.ini and Folder.html.
  void folderPropertiesOpenEditAndSave() {
    WriteText(fs::path(profileDir()) / "RootPage.html", "<h1>Welcome</h1>\n");
    {
      FolderPropertiesDialog root(profileDir(), "");
      QCOMPARE(root.findChild<HtmlEditor*>()->html(), QStringLiteral("<h1>Welcome</h1>\n"));
      QVERIFY(root.findChild<QRadioButton*>(QStringLiteral("StoryBoard"))->isChecked());
    }

    FolderPropertiesDialog dialog(profileDir(), "Alps/");
    dialog.show();
    auto* html = dialog.findChild<QRadioButton*>(QStringLiteral("HtmlData"));
    auto* editor = dialog.findChild<HtmlEditor*>(QStringLiteral("HtmlEditor"));
    auto* readFile = dialog.findChild<QPushButton*>(QStringLiteral("ReadFile"));
    auto* preview = dialog.findChild<QPushButton*>(QStringLiteral("Preview"));
    auto* custom = dialog.findChild<QCheckBox*>(QStringLiteral("CustomTitle"));
    auto* title = dialog.findChild<QLineEdit*>(QStringLiteral("TitleText"));
    QVERIFY(dialog.findChild<QRadioButton*>(QStringLiteral("StoryBoard"))->isChecked());
    QVERIFY(editor->toPlainText().isEmpty());
    QVERIFY(!editor->isEnabled() && !readFile->isEnabled() && !preview->isEnabled() && !title->isEnabled());

    html->setChecked(true);
    QVERIFY(editor->isEnabled() && readFile->isEnabled() && preview->isEnabled());
    custom->setChecked(true);
    QVERIFY(title->isEnabled());
    title->setText(QStringLiteral("Über die Alpen"));

    // "Read file" puts the chosen file's text in the editor, unchecked.
    const fs::path included = fs::path(scratch_->path().toStdString()) / "peaks.html";
    WriteText(included, "<body><p class=\"x\">Peaks</p>\n<!-- later -->\n");
    whenModal<QFileDialog>([&](QFileDialog* files) {
      QCOMPARE(files->windowTitle(), QStringLiteral("Include HTML code"));
      // The name typed in full: the dialog's own folder listing fills in
      // behind, and a selection made through it could still change.
      const QString path = QString::fromStdString(included.string());
      files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
      QTRY_COMPARE(files->selectedFiles().value(0), path);
      static_cast<QDialog*>(files)->accept();
    });
    readFile->click();
    QCOMPARE(editor->html(), QStringLiteral("<body><p class=\"x\">Peaks</p>\n<!-- later -->\n"));

    const QString typed = QStringLiteral("<p class=\"x\">Peaks &amp; valleys</p>\n<!-- photos follow -->\n");
    editor->setPlainText(typed);

    // "Preview" shows the editor's text in the preview window through a
    // temporary page, which goes when the window closes.
    std::string shownText;
    int chosenWidth = -1;
    whenModal<PreviewWindow>([&](PreviewWindow* window) {
      shownText = TextOf(window->firstPage());
      chosenWidth = window->chosenSize();
      QTRY_COMPARE(window->statusText(), QStringLiteral("Done"));
      window->findChild<QPushButton*>(QStringLiteral("Close"))->click();
    });
    preview->click();
    QCOMPARE(shownText, HtmlPreviewText(typed.toStdString()));
    QCOMPARE(chosenWidth, 0);  // 800 for a piece of HTML
    QVERIFY(!dialog.previewFile().isEmpty());
    QVERIFY(!fs::exists(dialog.previewFile().toStdString()));

    SaveScreenshot(&dialog, QStringLiteral("folder-properties"));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    QCOMPARE(TextOf(folderDir("Alps") / "Folder.html"), typed.toStdString());
    const IniFile ini(folderDir("Alps") / "Folder.ini");
    QCOMPARE(ini.ReadInt("Settings", "HtmlMode", -1), 1);
    QCOMPARE(ini.ReadString("Settings", "HtmlFile"), std::string("Folder.html"));
    QCOMPARE(ini.ReadInt("Settings", "TitleMode", -1), 1);
    QCOMPARE(ini.ReadString("Settings", "TitleText"), std::string("Über die Alpen"));

    // Again: the dialog shows what was saved. Back to the story board with
    // the title switched off and an empty editor: the older Folder.html stays,
    // the stored title too.
    FolderPropertiesDialog again(profileDir(), "Alps/");
    QVERIFY(again.findChild<QRadioButton*>(QStringLiteral("HtmlData"))->isChecked());
    QCOMPARE(again.findChild<HtmlEditor*>()->html(), typed);
    QVERIFY(again.findChild<QCheckBox*>(QStringLiteral("CustomTitle"))->isChecked());
    QCOMPARE(again.findChild<QLineEdit*>(QStringLiteral("TitleText"))->text(), QStringLiteral("Über die Alpen"));
    again.findChild<QRadioButton*>(QStringLiteral("StoryBoard"))->setChecked(true);
    again.findChild<QCheckBox*>(QStringLiteral("CustomTitle"))->setChecked(false);
    again.findChild<HtmlEditor*>()->clear();
    again.accept();

    QCOMPARE(TextOf(folderDir("Alps") / "Folder.html"), typed.toStdString());
    const FolderSettings saved = ReadFolderSettings(profileDir(), "Alps/");
    QCOMPARE(saved.htmlMode, 0);
    QCOMPARE(saved.htmlFile, std::string());
    QCOMPARE(saved.titleMode, 0);
    QCOMPARE(saved.titleText, std::string("Über die Alpen"));
  }

  void folderPropertiesCancelWritesNothing() {
    FolderPropertiesDialog dialog(profileDir(), "Beach/");
    dialog.show();
    dialog.findChild<QRadioButton*>(QStringLiteral("HtmlData"))->setChecked(true);
    dialog.findChild<HtmlEditor*>()->setPlainText(QStringLiteral("<p>Sand</p>"));
    dialog.findChild<QCheckBox*>(QStringLiteral("CustomTitle"))->setChecked(true);
    dialog.findChild<QLineEdit*>(QStringLiteral("TitleText"))->setText(QStringLiteral("Sea"));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(fs::is_empty(folderDir("Beach")));
  }

  // "Template variables" opens the folder's variables: both lists, a name
  // asked for, a value edited in place, a deletion confirmed; OK writes both
  // sections.
  void variablesDialogFromFolderProperties() {
    IniFile profileIni(ProfileIniFile(profileDir()));
    QVERIFY(profileIni.WriteString("variables", "Author", "Anna"));
    QVERIFY(profileIni.WriteString("variables", "Place", "Home"));
    IniFile folderIni(folderDir("Alps") / "Folder.ini");
    QVERIFY(folderIni.WriteString("variables", "Place", "Alps"));
    using Table = std::vector<std::pair<QString, QString>>;

    FolderPropertiesDialog properties(profileDir(), "Alps/");
    properties.show();
    whenModal<VariablesDialog>([&](VariablesDialog* dialog) {
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Variables"));
      auto* folder = dialog->findChild<QTreeWidget*>(QStringLiteral("FolderVariables"));
      auto* defaults = dialog->findChild<QTreeWidget*>(QStringLiteral("DefaultVariables"));
      QCOMPARE(RowsOf(folder), (Table{{"Place", "Alps"}}));
      QCOMPARE(RowsOf(defaults), (Table{{"Author", "Anna"}, {"Place", "Home"}}));
      QCOMPARE(folder->columnWidth(0), 80);
      QCOMPARE(folder->columnWidth(1), 210);

      whenModal<QInputDialog>([](QInputDialog* ask) {
        QCOMPARE(ask->windowTitle(), QStringLiteral("New variable"));
        QCOMPARE(ask->labelText(), QStringLiteral("Name of the variable"));
        ask->setTextValue(QStringLiteral("Season"));
        ask->accept();
      });
      dialog->findChild<QPushButton*>(QStringLiteral("FolderAdd"))->click();
      QCOMPARE(folder->currentItem()->text(0), QStringLiteral("Season"));
      QCOMPARE(RowsOf(defaults), (Table{{"Author", "Anna"}, {"Place", "Home"}, {"Season", ""}}));

      dialog->findChild<QPushButton*>(QStringLiteral("FolderEdit"))->click();
      auto* value = qobject_cast<QLineEdit*>(folder->indexWidget(folder->model()->index(1, 1)));
      QVERIFY(value);
      value->setText(QStringLiteral("Winter"));
      QTest::keyClick(value, Qt::Key_Return);
      QTRY_COMPARE(RowsOf(folder), (Table{{"Place", "Alps"}, {"Season", "Winter"}}));

      // A name that is more than a token is refused with a message.
      whenModal<QInputDialog>([](QInputDialog* ask) {
        ask->setTextValue(QStringLiteral(".system(\"id\")."));
        ask->accept();
      });
      dialog->findChild<QPushButton*>(QStringLiteral("DefaultAdd"))->click();
      QVERIFY(
          told("The variable name \".system(\"id\").\" cannot be used: it may hold only letters, digits, \"_\" "
               "and spaces between them"));
      QCOMPARE(RowsOf(defaults), (Table{{"Author", "Anna"}, {"Place", "Home"}, {"Season", ""}}));

      // Deleting a default asks first, and takes the folder's value along.
      SaveScreenshot(dialog, QStringLiteral("variables"));
      defaults->setCurrentItem(defaults->topLevelItem(1));
      auto* remove = dialog->findChild<QPushButton*>(QStringLiteral("DefaultDelete"));
      prompter_.Queue(Answer::Cancel);
      remove->click();
      QVERIFY(told("Delete variable \"Place\""));
      QCOMPARE(defaults->topLevelItemCount(), 3);
      prompter_.Queue(Answer::Ok);
      remove->click();
      QCOMPARE(RowsOf(defaults), (Table{{"Author", "Anna"}, {"Season", ""}}));
      QCOMPARE(RowsOf(folder), (Table{{"Season", "Winter"}}));
      dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    properties.findChild<QPushButton*>(QStringLiteral("TemplateVariables"))->click();
    QVERIFY(!QTest::currentTestFailed());

    QCOMPARE(ReadVariables(ProfileIniFile(profileDir())), (std::vector<Variable>{{"Author", "Anna"}, {"Season", ""}}));
    QCOMPARE(ReadVariables((folderDir("Alps") / "Folder.ini").string()), (std::vector<Variable>{{"Season", "Winter"}}));
    // The variables are the Variables dialog's own: leaving the folder
    // properties by Cancel takes nothing back and writes no settings.
    properties.reject();
    QVERIFY(!IniFile(folderDir("Alps") / "Folder.ini").Load().Get("Settings", "HtmlMode"));
  }

  // Each part of the markup has a format of its own, also where a tag, a
  // value or a comment runs over a line end; text around them stays plain.
  void htmlHighlighterMarksTagsValuesAndComments() {
    using Part = HtmlHighlighter::Part;
    QTextDocument document;
    auto* highlighter = new HtmlHighlighter(&document);
    document.setPlainText(
        QStringLiteral("Hi <b class=\"big\">a < b</b> \"plain\"\n"  // 0
                       "<!-- note <b> \"q\"\n"                      // 1
                       "still note --> after\n"                     // 2
                       "<img alt='two\n"                            // 3
                       "lines' src=x>"));                           // 4
    highlighter->rehighlight();
    const struct {
      int line;
      int column;
      Part part;
      const char* what;
    } cases[] = {
        {0, 0, Part::kText, "text before a tag"},
        {0, 3, Part::kTag, "the opening bracket"},
        {0, 4, Part::kTag, "the tag name"},
        {0, 6, Part::kTag, "an attribute name"},
        {0, 12, Part::kValue, "the opening quote of a value"},
        {0, 14, Part::kValue, "inside a value"},
        {0, 16, Part::kValue, "the closing quote"},
        {0, 17, Part::kTag, "the closing bracket"},
        {0, 20, Part::kText, "a lone less-than sign"},
        {0, 29, Part::kText, "quotes outside a tag"},
        {1, 0, Part::kComment, "a comment's start"},
        {1, 10, Part::kComment, "a tag inside a comment"},
        {2, 3, Part::kComment, "a comment's second line"},
        {2, 13, Part::kComment, "a comment's end"},
        {2, 16, Part::kText, "text after a comment"},
        {3, 10, Part::kValue, "a single-quoted value"},
        {4, 2, Part::kValue, "a value's second line"},
        {4, 7, Part::kTag, "a tag's second line"},
        {4, 12, Part::kTag, "the bracket closing it"},
    };
    for (const auto& c : cases) QVERIFY2(PartAt(document, c.line, c.column) == c.part, c.what);

    const QTextCharFormat tag = HtmlHighlighter::formatOf(Part::kTag);
    const QTextCharFormat value = HtmlHighlighter::formatOf(Part::kValue);
    const QTextCharFormat comment = HtmlHighlighter::formatOf(Part::kComment);
    QVERIFY(tag != value && value != comment && tag != comment);
    QVERIFY(tag != QTextCharFormat() && value != QTextCharFormat() && comment != QTextCharFormat());
  }

  // The tab lists the built-in template and the installed ones, shows the
  // chosen one's picture by the pressed button, warns about an old
  // template, and the choice reaches the profile.
  void templatesTabShowsTemplateAndPicture() {
    const fs::path data = fs::path(scratch_->path().toStdString()) / "data";
    const fs::path pictures = fs::path(ALBUMSMITH_RESOURCES) / "albsite";
    fs::create_directories(data / "albsite");
    fs::create_directories(data / "templates" / "Minimal" / "albsite");
    fs::create_directories(data / "templates" / "Old" / "albsite");
    for (const char* name : {"index.jpg", "slide.jpg"}) fs::copy_file(pictures / name, data / "albsite" / name);
    fs::copy_file(pictures / "slide.jpg", data / "templates" / "Minimal" / "albsite" / "slide.jpg");
    WriteText(data / "templates" / "Minimal" / "albsite" / "version.dat", "1.04\n");
    const QImage index = Decoded(pictures / "index.jpg");
    const QImage slide = Decoded(pictures / "slide.jpg");
    QVERIFY(!index.isNull() && index != slide);

    AppSettings settings(scratch_->filePath(QStringLiteral("Albumsmith.ini")).toStdString());
    ProfilesDialog dialog(profilesDir(), settings, nullptr, data.string() + "/");
    dialog.show();
    dialog.findChild<QListWidget*>(QStringLiteral("ProfileList"))->setCurrentRow(0);
    dialog.findChild<QTabWidget*>()->setCurrentIndex(1);
    auto* templates = dialog.findChild<QComboBox*>(QStringLiteral("TemplateList"));
    auto* storyBoard = dialog.findChild<QPushButton*>(QStringLiteral("StoryBoard"));
    auto* slideShow = dialog.findChild<QPushButton*>(QStringLiteral("SlideShow"));
    auto* picture = dialog.findChild<QLabel*>(QStringLiteral("TemplatePicture"));
    auto choose = [&](const QString& name) {
      const int row = templates->findText(name);
      QVERIFY(row >= 0);
      templates->setCurrentIndex(row);
      emit templates->activated(row);
    };

    QStringList listed;
    for (int row = 0; row < templates->count(); ++row) listed << templates->itemText(row);
    QCOMPARE(listed, (QStringList{"Albumsmith Default", "Minimal", "Old"}));
    QCOMPARE(templates->currentText(), QStringLiteral("Albumsmith Default"));
    QVERIFY(storyBoard->isEnabled() && slideShow->isEnabled() && storyBoard->isChecked());
    QCOMPARE(picture->size(), index.size());
    QCOMPARE(Shown(picture), index);
    SaveScreenshot(&dialog, QStringLiteral("profiles-templates"));

    slideShow->click();
    QCOMPARE(Shown(picture), slide);

    // A template with only the slide show picture shows that one.
    storyBoard->click();
    choose(QStringLiteral("Minimal"));
    QVERIFY(!storyBoard->isEnabled() && slideShow->isEnabled() && slideShow->isChecked());
    QCOMPARE(Shown(picture), slide);
    QVERIFY(prompter_.texts().empty());

    choose(QStringLiteral("Old"));
    QVERIFY(told("The template Old does not match the current version"));
    QVERIFY(!storyBoard->isEnabled() && !slideShow->isEnabled());
    QVERIFY(picture->isHidden());

    choose(QStringLiteral("Minimal"));
    prompter_.Queue(Answer::Yes);  // save the changed profile
    dialog.accept();
    QCOMPARE(ReadProfile(profilesDir(), kProfile).templateName, std::string("Minimal"));
  }
};

std::unique_ptr<QObject> NewSiteDialogTests() { return std::make_unique<SiteDialogTests>(); }

#include "site_dialog_tests.moc"
