#include "app/formats/FormatEditorDialog.h"

#include "app/common/TextConversions.h"
#include "app/common/WidgetHelpers.h"
#include "app/formats/FormatEditorControls.h"
#include "app/formats/FormatNamePrompt.h"
#include "app/formats/FormatPreviewPanel.h"
#include "app/help/HelpTopicsRules.h"
#include "app/shell/Interaction.h"
#include "core/formats/FormatLibrary.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace mervalon::app {
namespace {

QLineEdit* lineEdit(QWidget* parent, const char* name, const char* hint, int characters)
{
    auto* edit = named(new QLineEdit(parent), name);
    edit->setToolTip(QLatin1String(hint));
    edit->setFixedWidth(edit->fontMetrics().averageCharWidth() * characters + 12);
    return edit;
}

QFrame* panel(QWidget* parent, const char* name)
{
    return named(new QFrame(parent), name);
}

QLabel* label(QWidget* parent, const char* caption, QWidget* buddy = nullptr)
{
    auto* text = new QLabel(QString::fromUtf8(caption), parent);
    text->setBuddy(buddy);
    return text;
}

constexpr std::array<const char*, 6> kRowCaptions = {
    "Import Number/Label",         "Import X (East) coordinate",
    "Import Y (North) coordinate", "Import Z (Elevation) coordinate",
    "Import Description",          "Import Code for polyline creation"};

} // namespace

FormatEditorDialog::FormatEditorDialog(Interaction& interaction, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_interaction(interaction)
{
    setObjectName(QLatin1String(FormatEditorControls::window));
    setWindowTitle(QStringLiteral(" Format Editor"));
    build();
    showFields(FormatEditorFields{});
}

void FormatEditorDialog::attach(const QString& installDir, FormatNamePrompt& newPrompt, FormatNamePrompt& renamePrompt)
{
    m_installDir = installDir;
    m_newPrompt = &newPrompt;
    m_renamePrompt = &renamePrompt;
}

void FormatEditorDialog::build()
{
    auto* done = named(new QPushButton(QStringLiteral(" Done"), this), FormatEditorControls::doneButton);
    auto* help = named(new QPushButton(QStringLiteral("Help"), this), FormatEditorControls::helpButton);
    for (QPushButton* button : {done, help}) {
        button->setAutoDefault(false);
    }
    connect(done, &QPushButton::clicked, this, &FormatEditorDialog::finish);
    connect(help, &QPushButton::clicked, this, [this] { showHelpFile(m_interaction, m_installDir); });
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(done);
    buttons->addWidget(help);
    buttons->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(buildFormatsGroup(), 1);
    top->addLayout(buttons);
    m_content = new QWidget(this);
    auto* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addLayout(top);
    QWidget* parameters = buildParametersGroup();
    layout->addWidget(parameters);
    // Under the form, the lines of the main window's point file as the form reads them, read
    // anew at every change of a control.
    m_preview = new FormatPreviewPanel(this);
    layout->addWidget(m_preview);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidget(m_content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);
    for (QLineEdit* edit : parameters->findChildren<QLineEdit*>()) {
        connect(edit, &QLineEdit::textChanged, this, &FormatEditorDialog::refreshPreview);
    }
    for (QAbstractButton* button : parameters->findChildren<QAbstractButton*>()) {
        connect(button, &QAbstractButton::toggled, this, &FormatEditorDialog::refreshPreview);
    }
}

void FormatEditorDialog::showEvent(QShowEvent* event)
{
    // The editor has a fixed size. On a small screen (1366 x 768, or any screen at a large scale)
    // the preview first gives up lines; what still does not fit is scrolled to. The frame's height
    // is not known before the window manager has framed the window: a title bar's worth is kept.
    QSize room(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (const QScreen* screen = this->screen()) {
        const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
        room = screen->availableGeometry().size() - QSize(8, titleBar);
    }
    m_content->layout()->activate();
    const int formHeight = m_content->sizeHint().height() - m_preview->tableHeight();
    m_preview->fitTableInto(room.height() - formHeight);
    // A hidden table's new height reaches its layouts only once it is shown: the content's
    // height is counted here.
    const QSize content(m_content->sizeHint().width(), formHeight + m_preview->tableHeight());
    QSize shown = content.boundedTo(room);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (shown.height() < content.height()) {
        shown.setWidth(std::min(shown.width() + scrollBar, room.width()));
    }
    if (shown.width() < content.width()) {
        shown.setHeight(std::min(shown.height() + scrollBar, room.height()));
    }
    setFixedSize(shown);
    QDialog::showEvent(event);
}

void FormatEditorDialog::refreshPreview()
{
    if (!m_showingFields) {
        m_preview->showTable(
            FormatPreviewRules::preview(fields(), m_previewSource ? m_previewSource() : PreviewSource{}));
    }
}

QWidget* FormatEditorDialog::buildFormatsGroup()
{
    QGroupBox* group = groupBox(this, FormatEditorControls::formatsGroup, " Available formats ");
    m_list = named(new QComboBox(group), FormatEditorControls::formatList);
    m_list->setMinimumContentsLength(24);
    m_list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(m_list, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_selecting) {
            chooseFormat(index);
        }
    });
    const struct {
        const char* name;
        const char* hint;
        QStyle::StandardPixmap icon;
        void (FormatEditorDialog::*action)();
    } actions[] = {
        {FormatEditorControls::newButton, "New format", QStyle::SP_FileIcon, &FormatEditorDialog::newFormat},
        {FormatEditorControls::saveButton, "Save current format", QStyle::SP_DialogSaveButton, nullptr},
        {FormatEditorControls::deleteButton, "Delete current format", QStyle::SP_TrashIcon,
         &FormatEditorDialog::deleteFormat},
        {FormatEditorControls::renameButton, "Rename current format", QStyle::SP_FileDialogDetailedView,
         &FormatEditorDialog::renameFormat},
    };
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 6);
    grid->addWidget(label(group, "Format name :", m_list), 0, 0);
    grid->addWidget(m_list, 0, 1);
    auto* tools = new QHBoxLayout;
    for (const auto& action : actions) {
        QToolButton* button =
            toolButton(group, action.name, QLatin1String(action.hint), style()->standardIcon(action.icon));
        if (action.action != nullptr) {
            connect(button, &QToolButton::clicked, this, action.action);
        } else {
            connect(button, &QToolButton::clicked, this, [this] { saveFormat(); });
        }
        tools->addWidget(button);
    }
    tools->addStretch();
    grid->addLayout(tools, 0, 2);
    m_description = named(new QLineEdit(group), FormatEditorControls::descriptionEdit);
    m_description->setToolTip(QStringLiteral("Enter a brief description for this format."));
    grid->addWidget(label(group, "Description :", m_description), 1, 0);
    grid->addWidget(m_description, 1, 1, 1, 2);
    grid->setColumnStretch(2, 1);
    return group;
}

QWidget* FormatEditorDialog::buildParametersGroup()
{
    QGroupBox* group = groupBox(this, FormatEditorControls::parametersGroup, " Format parameters ");

    // The kind of file, with the sheet of a workbook.
    QFrame* kind = panel(group, FormatEditorControls::kindPanel);
    m_textKind = named(new QRadioButton(QStringLiteral("This format applies to a Text file (TXT, ASC ...)"), kind),
                       FormatEditorControls::textKindButton);
    m_excelKind = named(new QRadioButton(QStringLiteral("This format applies to an Excel file (XLS, XLSX, ODS)"), kind),
                        FormatEditorControls::excelKindButton);
    m_sheetPanel = panel(kind, FormatEditorControls::sheetPanel);
    m_byNumber = named(new QRadioButton(QStringLiteral("Sheet Number : "), m_sheetPanel),
                       FormatEditorControls::sheetByNumberButton);
    m_sheetNumber = lineEdit(m_sheetPanel, FormatEditorControls::sheetNumberEdit, "Enter sheet Number to process", 5);
    m_byName =
        named(new QRadioButton(QStringLiteral("Sheet Name : "), m_sheetPanel), FormatEditorControls::sheetByNameButton);
    m_sheetName = lineEdit(m_sheetPanel, FormatEditorControls::sheetNameEdit, "Enter sheet Name to process.", 16);
    auto* sheetLayout = new QHBoxLayout(m_sheetPanel);
    sheetLayout->setContentsMargins(20, 0, 0, 0);
    sheetLayout->addWidget(m_byNumber);
    sheetLayout->addWidget(m_sheetNumber);
    sheetLayout->addWidget(label(m_sheetPanel, "or"));
    sheetLayout->addWidget(m_byName);
    sheetLayout->addWidget(m_sheetName);
    sheetLayout->addStretch();
    m_firstLine = lineEdit(kind, FormatEditorControls::firstLineEdit, "Enter a line number greater than 0", 5);
    auto* firstLine = new QHBoxLayout;
    firstLine->addWidget(label(kind, "Start importing at line N° :", m_firstLine));
    firstLine->addWidget(m_firstLine);
    firstLine->addStretch();
    // The whole text layout at once, read off a file the user has at hand.
    auto* detect =
        named(new QPushButton(QStringLiteral("Detect from file..."), kind), FormatEditorControls::detectButton);
    detect->setToolTip(QStringLiteral("Choose a point file: its separator, decimal mark, header and columns fill the "
                                      "form"));
    detect->setAutoDefault(false);
    connect(detect, &QPushButton::clicked, this, &FormatEditorDialog::detectFromFile);
    firstLine->addWidget(detect);
    auto* kindLayout = new QVBoxLayout(kind);
    kindLayout->setContentsMargins(0, 0, 0, 0);
    kindLayout->setSpacing(2);
    kindLayout->addWidget(m_textKind);
    kindLayout->addWidget(m_excelKind);
    kindLayout->addWidget(m_sheetPanel);
    kindLayout->addLayout(firstLine);
    auto* kinds = new QButtonGroup(this);
    kinds->addButton(m_textKind);
    kinds->addButton(m_excelKind);
    auto* sheets = new QButtonGroup(this);
    sheets->addButton(m_byNumber);
    sheets->addButton(m_byName);

    // The field separator of text files.
    m_separatorPanel = panel(group, FormatEditorControls::separatorPanel);
    m_separators = new QButtonGroup(this);
    auto* separatorLayout = new QGridLayout(m_separatorPanel);
    separatorLayout->setContentsMargins(0, 0, 0, 0);
    separatorLayout->setVerticalSpacing(2);
    separatorLayout->addWidget(label(m_separatorPanel, "Field separator : "), 0, 0, 1, 2);
    const std::array<const char*, 5> separatorCaptions = {"Comma (,)", "Semicolon (;)", "Space", "Tabulation",
                                                          "Other :"};
    for (int choice = 0; choice < 5; ++choice) {
        auto* button = named(
            new QRadioButton(QLatin1String(separatorCaptions[static_cast<std::size_t>(choice)]), m_separatorPanel),
            FormatEditorControls::separatorButtons[static_cast<std::size_t>(choice)]);
        m_separators->addButton(button, choice);
        separatorLayout->addWidget(button, 1 + choice, 0);
    }
    m_otherSeparator =
        lineEdit(m_separatorPanel, FormatEditorControls::otherSeparatorEdit, "Enter a single character.", 2);
    m_otherSeparator->setMaxLength(1);
    separatorLayout->addWidget(m_otherSeparator, 5, 1, Qt::AlignLeft);
    separatorLayout->setColumnStretch(1, 1);

    auto* kindAndSeparator = new QHBoxLayout;
    kindAndSeparator->addWidget(kind, 1);
    kindAndSeparator->addSpacing(12);
    kindAndSeparator->addWidget(m_separatorPanel);

    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(2);
    layout->addLayout(kindAndSeparator);
    layout->addWidget(buildDialectPanel(group));
    for (int row = 0; row < 6; ++row) {
        layout->addWidget(buildRow(row, FormatEditorControls::rowPanels[static_cast<std::size_t>(row)],
                                   kRowCaptions[static_cast<std::size_t>(row)]));
    }

    for (QRadioButton* button : {m_textKind, m_excelKind, m_byNumber, m_byName}) {
        connect(button, &QRadioButton::toggled, this, &FormatEditorDialog::applyEnabling);
    }
    connect(m_separators, &QButtonGroup::idToggled, this, &FormatEditorDialog::applyEnabling);
    return group;
}

QWidget* FormatEditorDialog::buildDialectPanel(QWidget* parent)
{
    m_dialectPanel = panel(parent, FormatEditorControls::dialectPanel);
    const std::array<const char*, 2> markCaptions = {"Point (.)", "Comma (,)"};
    auto* marks = new QButtonGroup(this);
    for (std::size_t mark = 0; mark < m_decimalMarks.size(); ++mark) {
        m_decimalMarks[mark] = named(new QRadioButton(QLatin1String(markCaptions[mark]), m_dialectPanel),
                                     FormatEditorControls::decimalMarkButtons[mark]);
        m_decimalMarks[mark]->setToolTip(QStringLiteral("The decimal mark of the coordinates in the file"));
        marks->addButton(m_decimalMarks[mark]);
    }
    const std::array<const char*, 4> captions = {"Quoted fields (\"...\")", "Trim blanks around fields",
                                                 "Empty fields keep their column",
                                                 "The first line after the skipped lines is a header"};
    const std::array<const char*, 4> hints = {
        "Select when a field may be enclosed in quotes, with \"\" for a quote inside",
        "Select to drop the blanks before and after each field",
        "Select when an empty field still counts as a column (as spreadsheets write it)",
        "Select when the first line read names the columns instead of holding a point"};
    for (std::size_t box = 0; box < m_dialectBoxes.size(); ++box) {
        m_dialectBoxes[box] =
            named(new QCheckBox(QLatin1String(captions[box]), m_dialectPanel), FormatEditorControls::dialectBoxes[box]);
        m_dialectBoxes[box]->setToolTip(QLatin1String(hints[box]));
    }

    auto* markLine = new QHBoxLayout;
    markLine->addWidget(label(m_dialectPanel, "Decimal mark :"));
    markLine->addWidget(m_decimalMarks[0]);
    markLine->addWidget(m_decimalMarks[1]);
    markLine->addStretch();
    auto* grid = new QGridLayout(m_dialectPanel);
    grid->setContentsMargins(0, 2, 0, 2);
    grid->setVerticalSpacing(2);
    grid->addLayout(markLine, 0, 0);
    grid->addWidget(m_dialectBoxes[0], 0, 1);
    grid->addWidget(m_dialectBoxes[1], 1, 0);
    grid->addWidget(m_dialectBoxes[2], 1, 1);
    grid->addWidget(m_dialectBoxes[3], 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    return m_dialectPanel;
}

QWidget* FormatEditorDialog::buildRow(int row, const char* panelName, const char* caption)
{
    const auto index = static_cast<std::size_t>(row);
    QFrame* rowPanel = panel(this, panelName);
    rowPanel->setFrameShape(QFrame::StyledPanel);
    m_rows[index] = rowPanel;
    m_imports[index] = named(new QCheckBox(QLatin1String(caption), rowPanel), FormatEditorControls::importBoxes[index]);
    m_positions[index] =
        lineEdit(rowPanel, FormatEditorControls::positionEdits[index], "Enter a column or field number.", 3);
    // A position is read whole: room for four digits beside the frame and the text margins.
    m_positions[index]->setFixedWidth(m_positions[index]->fontMetrics().horizontalAdvance(QStringLiteral("0000")) +
                                      2 * 2 +
                                      2 * m_positions[index]->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8);
    m_prefixes[index] = lineEdit(rowPanel, FormatEditorControls::prefixEdits[index], "Enter a prefix string", 10);
    m_keeps[index] = named(new QCheckBox(QStringLiteral("Keep"), rowPanel), FormatEditorControls::keepBoxes[index]);
    m_keeps[index]->setToolTip(QStringLiteral("Select to keep the prefix in the DXF file"));
    m_imports[index]->setMinimumWidth(
        m_imports[index]->fontMetrics().horizontalAdvance(QLatin1String(kRowCaptions[5])) + 30);
    connect(m_imports[index], &QCheckBox::clicked, this, [this, row] { importClicked(row); });

    auto* line = new QHBoxLayout;
    line->addWidget(m_imports[index]);
    line->addStretch();
    line->addWidget(label(rowPanel, "Position in file :", m_positions[index]));
    line->addWidget(m_positions[index]);
    line->addSpacing(8);
    line->addWidget(label(rowPanel, "Prefix :", m_prefixes[index]));
    line->addWidget(m_prefixes[index]);
    line->addWidget(m_keeps[index]);
    auto* layout = new QVBoxLayout(rowPanel);
    layout->setContentsMargins(4, 1, 4, 1);
    layout->setSpacing(2);
    layout->addLayout(line);

    if (row == 5) {
        m_codesPanel = panel(rowPanel, FormatEditorControls::codesPanel);
        auto* codes = new QHBoxLayout(m_codesPanel);
        codes->setContentsMargins(20, 0, 0, 2);
        codes->addWidget(label(m_codesPanel, "Codes :"));
        const std::array<const char*, 3> captions = {"New polyline:", "Draw polyline:", "End polyline/Don't draw:"};
        const std::array<const char*, 3> hints = {
            "Enter code to start a polyline.", "Enter code to continue a polyline.", "Enter code to end a polyline."};
        for (std::size_t code = 0; code < 3; ++code) {
            m_codes[code] = lineEdit(m_codesPanel, FormatEditorControls::codeEdits[code], hints[code], 5);
            codes->addSpacing(6);
            codes->addWidget(label(m_codesPanel, captions[code], m_codes[code]));
            codes->addWidget(m_codes[code]);
        }
        codes->addStretch();
        layout->addWidget(m_codesPanel);
    }
    return rowPanel;
}

FormatEditorFields FormatEditorDialog::fields() const
{
    FormatEditorFields fields;
    fields.description = m_description->text();
    fields.isExcel = m_excelKind->isChecked();
    fields.sheetByNumber = m_byNumber->isChecked();
    fields.sheetNumber = m_sheetNumber->text();
    fields.sheetName = m_sheetName->text();
    fields.firstLine = m_firstLine->text();
    fields.separator = static_cast<SeparatorChoice>(std::max(0, m_separators->checkedId()));
    fields.otherSeparator = m_otherSeparator->text();
    for (std::size_t row = 0; row < 6; ++row) {
        fields.imported[row] = m_imports[row]->isChecked();
        fields.positions[row] = m_positions[row]->text();
        fields.prefixes[row] = m_prefixes[row]->text();
        fields.keepPrefix[row] = m_keeps[row]->isChecked();
    }
    for (std::size_t code = 0; code < 3; ++code) {
        fields.codes[code] = m_codes[code]->text();
    }
    fields.dialect.decimalMark =
        m_decimalMarks[1]->isChecked() ? formats::DecimalMark::Comma : formats::DecimalMark::Point;
    fields.dialect.quotedFields = m_dialectBoxes[0]->isChecked();
    fields.dialect.trimFields = m_dialectBoxes[1]->isChecked();
    fields.dialect.keepEmptyFields = m_dialectBoxes[2]->isChecked();
    fields.dialect.headerLine = m_dialectBoxes[3]->isChecked();
    return fields;
}

void FormatEditorDialog::showFields(const FormatEditorFields& fields)
{
    m_showingFields = true;
    m_description->setText(fields.description);
    m_description->setCursorPosition(0); // a long description shows its beginning
    (fields.isExcel ? m_excelKind : m_textKind)->setChecked(true);
    (fields.sheetByNumber ? m_byNumber : m_byName)->setChecked(true);
    m_sheetNumber->setText(fields.sheetNumber);
    m_sheetName->setText(fields.sheetName);
    m_firstLine->setText(fields.firstLine);
    m_separators->button(static_cast<int>(fields.separator))->setChecked(true);
    m_otherSeparator->setText(fields.otherSeparator);
    for (std::size_t row = 0; row < 6; ++row) {
        m_imports[row]->setChecked(fields.imported[row]);
        m_positions[row]->setText(fields.positions[row]);
        m_prefixes[row]->setText(fields.prefixes[row]);
        m_keeps[row]->setChecked(fields.keepPrefix[row]);
    }
    for (std::size_t code = 0; code < 3; ++code) {
        m_codes[code]->setText(fields.codes[code]);
    }
    m_decimalMarks[fields.dialect.decimalMark == formats::DecimalMark::Comma ? 1 : 0]->setChecked(true);
    m_dialectBoxes[0]->setChecked(fields.dialect.quotedFields);
    m_dialectBoxes[1]->setChecked(fields.dialect.trimFields);
    m_dialectBoxes[2]->setChecked(fields.dialect.keepEmptyFields);
    m_dialectBoxes[3]->setChecked(fields.dialect.headerLine);
    applyEnabling();
    m_showingFields = false;
    refreshPreview();
}

void FormatEditorDialog::applyEnabling()
{
    const FormatEditorEnabling enabling = FormatEditorRules::enabling(fields());
    for (QWidget* control : m_sheetPanel->findChildren<QWidget*>()) {
        control->setEnabled(enabling.sheetPanel);
    }
    m_sheetNumber->setEnabled(enabling.sheetNumber);
    m_sheetName->setEnabled(enabling.sheetName);
    for (QWidget* control : m_separatorPanel->findChildren<QWidget*>()) {
        control->setEnabled(enabling.separatorPanel);
    }
    m_otherSeparator->setEnabled(enabling.otherSeparator);
    for (std::size_t row = 0; row < 6; ++row) {
        for (QWidget* control : m_rows[row]->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control != m_imports[row] && control != m_codesPanel) {
                control->setEnabled(enabling.rows[row]);
            }
        }
    }
    m_codesPanel->setEnabled(enabling.codesPanel);
    for (QWidget* control : m_dialectPanel->findChildren<QWidget*>()) {
        control->setEnabled(enabling.dialectPanel);
    }
}

void FormatEditorDialog::importClicked(int row)
{
    QCheckBox* box = m_imports[static_cast<std::size_t>(row)];
    if ((row == 1 || row == 2) && !box->isChecked()) {
        // X and Y are what makes a point: they are always imported.
        box->setChecked(true);
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok,
                                  row == 1 ? FormatEditorRules::xCannotBeDisabled()
                                           : FormatEditorRules::yCannotBeDisabled());
        return;
    }
    FormatEditorFields shown = fields();
    FormatEditorRules::proposePosition(shown, row);
    m_positions[static_cast<std::size_t>(row)]->setText(shown.positions[static_cast<std::size_t>(row)]);
    applyEnabling();
}

bool FormatEditorDialog::prepare(const QString& name)
{
    fillList(name);
    const QString shown = listedNames().contains(name) ? name : m_list->itemText(0);
    return showFormat(shown);
}

bool FormatEditorDialog::showFormat(const QString& name)
{
    try {
        const formats::FormatDefinition format = formats::readFormat(toPath(m_installDir), toText(name));
        const formats::TextDialect dialect = formats::readDialect(toPath(m_installDir), toText(name));
        m_shown = format;
        m_shownDialect = dialect;
        m_shownName = name;
        showFields(FormatEditorRules::fill(format, dialect, fields()));
        selectEntry(name);
        return true;
    } catch (const std::exception& error) {
        reportError(QString::fromLocal8Bit(error.what()));
        return false;
    }
}

void FormatEditorDialog::fillList(const QString& current)
{
    const QSignalBlocker blocker(m_list);
    m_list->clear();
    for (const std::string& name : formats::listFormats(toPath(m_installDir))) {
        m_list->addItem(fromText(name));
    }
    m_list->setCurrentIndex(m_list->findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

QStringList FormatEditorDialog::listedNames() const
{
    QStringList names;
    for (int i = 0; i < m_list->count(); ++i) {
        names << m_list->itemText(i);
    }
    return names;
}

void FormatEditorDialog::selectEntry(const QString& name)
{
    const QSignalBlocker blocker(m_list);
    m_list->setCurrentIndex(m_list->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

bool FormatEditorDialog::saveFormat()
{
    m_saved = false;
    const FormatEditorFields edited = fields();
    if (const auto fault = FormatEditorRules::check(edited)) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, fault->message);
        focusControl(fault->control);
        return false;
    }
    const BuiltFormat built = FormatEditorRules::build(edited, m_shownName);
    try {
        formats::saveFormat(toPath(m_installDir), *built.format, edited.dialect, toText(m_shownName));
    } catch (const std::exception& error) {
        reportError(QString::fromLocal8Bit(error.what()));
        return false;
    }
    m_shown = *built.format;
    m_shownDialect = edited.dialect;
    m_saved = true;
    return true;
}

void FormatEditorDialog::newFormat()
{
    m_newPrompt->prepare(listedNames());
    if (m_interaction.execDialog(*m_newPrompt) != QDialog::Accepted) {
        return;
    }
    const QString name = m_newPrompt->name();
    const QString previous = m_shownName;
    const QStringList names = listedNames();
    const auto position = std::lower_bound(names.begin(), names.end(), name) - names.begin();
    {
        const QSignalBlocker blocker(m_list);
        m_list->insertItem(static_cast<int>(position), name);
        m_list->setCurrentIndex(static_cast<int>(position));
    }
    m_shownName = name;
    if (!saveFormat()) {
        // A name is listed only when its file exists: the edits stay, shown as those of the
        // format that was shown before.
        const QSignalBlocker blocker(m_list);
        m_list->removeItem(static_cast<int>(position));
        m_shownName = previous;
        selectEntry(previous);
    }
}

void FormatEditorDialog::deleteFormat()
{
    if (m_shownName == FormatEditorRules::defaultName()) {
        m_interaction.showMessage(MessageIcon::Information, MessageButtons::Ok,
                                  FormatEditorRules::defaultCannotBeDeleted());
        return;
    }
    if (m_interaction.showMessage(MessageIcon::Confirmation, MessageButtons::YesNo,
                                  FormatEditorRules::deleteQuestion(m_shownName)) != MessageAnswer::Yes) {
        return;
    }
    const int index = m_list->currentIndex();
    try {
        formats::deleteFormat(toPath(m_installDir), toText(m_shownName));
    } catch (const std::exception& error) {
        reportError(QString::fromLocal8Bit(error.what()));
    }
    // The list shows what the folder holds, whether or not the file could be removed.
    fillList(m_shownName);
    if (m_list->currentIndex() >= 0) {
        return;
    }
    const int neighbour = std::clamp(index - 1, 0, std::max(0, m_list->count() - 1));
    for (int candidate : {neighbour, 0}) {
        if (candidate < m_list->count() && showFormat(m_list->itemText(candidate))) {
            return;
        }
    }
}

void FormatEditorDialog::renameFormat()
{
    if (m_shownName == FormatEditorRules::defaultName()) {
        m_interaction.showMessage(MessageIcon::Information, MessageButtons::Ok,
                                  FormatEditorRules::defaultCannotBeRenamed());
        return;
    }
    m_renamePrompt->prepare(listedNames(), m_shownName);
    if (m_interaction.execDialog(*m_renamePrompt) != QDialog::Accepted) {
        return;
    }
    const QString name = m_renamePrompt->name();
    try {
        formats::renameFormat(toPath(m_installDir), toText(m_shownName), toText(name));
        m_shownName = name;
        m_shown.name = toText(name).substr(0, formats::kMaxFormatNameLength);
    } catch (const std::exception& error) {
        reportError(QString::fromLocal8Bit(error.what()));
    }
    fillList(m_shownName);
}

bool FormatEditorDialog::confirmChanges()
{
    const FormatEditorFields edited = fields();
    const BuiltFormat built = FormatEditorRules::build(edited, m_shownName);
    if (!built.format) {
        reportError(built.error);
        return false;
    }
    if (FormatEditorRules::sameAs(*built.format, m_shown) && edited.dialect == m_shownDialect) {
        return true;
    }
    switch (m_interaction.showMessage(MessageIcon::Warning, MessageButtons::YesNoCancel,
                                      FormatEditorRules::changedMessage(fromText(m_shown.name)))) {
    case MessageAnswer::No:
        return true;
    case MessageAnswer::Yes:
        return saveFormat();
    default:
        return false;
    }
}

void FormatEditorDialog::finish()
{
    if (confirmChanges()) {
        done(QDialog::Accepted);
    }
}

void FormatEditorDialog::reject()
{
    if (confirmChanges()) {
        QDialog::reject();
    }
}

void FormatEditorDialog::chooseFormat(int index)
{
    const QString chosen = m_list->itemText(index);
    if (index < 0 || chosen == m_shownName) {
        return;
    }
    // The list never names a format other than the one the controls hold: a switch that is
    // cancelled, or whose edits cannot be saved, goes back to the format shown.
    if (!confirmChanges() || !showFormat(chosen)) {
        selectEntry(m_shownName);
    }
}

void FormatEditorDialog::detectFromFile()
{
    const QString path =
        m_interaction.chooseOpenFile(QStringLiteral("Detect the layout of a point file"),
                                     m_detectFolder.isEmpty() ? QDir::homePath() : m_detectFolder, QString(),
                                     QStringLiteral("Point files (*.txt *.csv *.asc *.xyz *.pts *.dat);;"
                                                    "All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    m_detectFolder = QFileInfo(path).absolutePath();
    formats::DetectedLayout layout;
    try {
        layout = formats::detectLayoutOfFile(toPath(path));
    } catch (const std::exception& error) {
        reportError(QString::fromLocal8Bit(error.what()));
        return;
    }
    if (const std::optional<FormatEditorFields> found = FormatEditorRules::detected(layout, fields())) {
        showFields(*found);
    }
    const QString message = FormatEditorRules::detectionMessage(layout, path);
    if (!message.isEmpty()) {
        m_interaction.showMessage(layout.found ? MessageIcon::Warning : MessageIcon::Error, MessageButtons::Ok,
                                  message);
    }
}

void FormatEditorDialog::focusControl(const QString& objectName)
{
    if (auto* control = findChild<QWidget*>(objectName)) {
        m_scroll->ensureWidgetVisible(control);
        control->setFocus();
    }
}

void FormatEditorDialog::reportError(const QString& text)
{
    m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, text);
}

} // namespace mervalon::app
