// The window's Calculate and `tindrel calc` run the same texts through the
// same stage calculation; these cases check that what each shows agrees.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <array>
#include <string>
#include <vector>

#include "core/StageCalc.h"
#include "ui/main/MainWindow.h"

namespace {

using core::Material;

struct Case {
    std::array<const char*, core::kInputCount> texts;  // Vcc, Beta, R1, R2, Rc, Re
    Material material;
};

std::string Describe(const Case& c) {
    std::string text;
    for (const char* t : c.texts) text += std::string(t) + ',';
    return text + std::to_string(static_cast<int>(c.material));
}

// What both front ends are compared on for a box not read whole: its unread
// text and the value meant, "rest=k fixed=22000"; the sentences differ by design.
std::string UnreadText(const core::InputReading& reading) {
    return "rest=" + reading.rest + " fixed=" + (reading.hasFix ? reading.fixed : "-");
}

struct Shown {
    std::vector<std::string> lines;
    std::vector<std::string> messages;  // in the order they appeared
    std::vector<std::string> unread;
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "output not ending in a line feed";
    return lines;
}

Shown ByCalc(const Case& c) {
    core::StageTexts texts;
    for (std::size_t i = 0; i < core::kInputCount; ++i) core::TextOf(texts, i) = c.texts[i];
    texts.material = c.material;
    // The report puts the input's name in front: "R1: rest=k fixed=22000".
    const core::StageReport report = core::ReportStage(texts, false, UnreadText);
    Shown shown;
    shown.lines = SplitLines(report.out);
    for (const std::string& line : SplitLines(report.err)) {
        (line.find(": rest=") != std::string::npos ? shown.unread : shown.messages).push_back(line);
    }
    return shown;
}

Shown ByWindow(const Case& c) {
    QTemporaryDir dir;
    ui::MainWindow window;
    window.Load(dir.path().toStdString());
    const std::array<ui::InputBox*, core::kInputCount> boxes = {
        window.TxtVcc, window.TxtBeta, window.TxtR1, window.TxtR2, window.TxtRc, window.TxtRe};
    for (std::size_t i = 0; i < boxes.size(); ++i) boxes[i]->setText(c.texts[i]);
    // Neither option set: only the program can clear both of an exclusive pair.
    window.OptSi->setAutoExclusive(false);
    window.OptGe->setAutoExclusive(false);
    window.OptSi->setChecked(c.material == Material::Silicon);
    window.OptGe->setChecked(c.material == Material::Germanium);
    window.OptSi->setAutoExclusive(true);
    window.OptGe->setAutoExclusive(true);

    Shown shown;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        shown.messages.push_back(box->text().toStdString());
        box->button(QMessageBox::Ok)->click();
    });
    answer.start();
    QTest::mouseClick(window.CmdCalc, Qt::LeftButton);

    for (int i = 0; i < window.List1->count(); ++i) {
        shown.lines.push_back(window.List1->item(i)->text().toStdString());
    }
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const core::InputReading& reading = boxes[i]->Reading();
        if (reading.readWhole) continue;
        shown.unread.push_back(std::string(core::InputName(i)) + ": " + UnreadText(reading));
        EXPECT_TRUE(boxes[i]->Sign() != nullptr && boxes[i]->Sign()->isVisible());
    }
    return shown;
}

TEST(CalcAgreement, WindowAndCalcShowTheSameLinesAndMessages) {
    const Case cases[] = {
        {{"12", "100", "22000", "4700", "2200", "470"}, Material::Silicon},
        {{"12", "100", "22000", "4700", "2200", "470"}, Material::Germanium},
        {{"12", "100", "22000", "4700", "2200", "470"}, Material::None},
        // A fault at each step the bias calculation names a cause for, and
        // one that overflows.
        {{"", "", "", "", "", ""}, Material::Silicon},
        {{"12", "100", "0", "0", "2200", "470"}, Material::Silicon},
        {{"12", "100", "0", "4700", "2200", "0"}, Material::Silicon},
        {{"12", "0", "22000", "4700", "2200", "470"}, Material::Silicon},
        {{"12", "100", "0", "4700", "2200", "470"}, Material::Silicon},
        {{"12", "100", "22000", "0", "2200", "470"}, Material::Silicon},
        {{"12", "100", "22000", "4700", "2200", "0"}, Material::Silicon},
        {{"12", "100", "22000", "4700", "0", "470"}, Material::Silicon},
        {{"1e200", "100", "22000", "4700", "2200", "470"}, Material::Silicon},
        {{"12", "100", "22000", "4700", "0", "0"}, Material::None},
        // Texts not read whole, and numbers too large for a double.
        {{"12", "100", "22k", "4k7", "2200", "470"}, Material::Silicon},
        {{"12 V", "100", "22k", "4700", "2.2 kohm", "470x"}, Material::Germanium},
        {{"1e999", "100", "22000", "4700", "2200", "470"}, Material::Silicon},
        {{"12", "100", "22000", "4700", "2200", "-1e999"}, Material::None},
        {{"12", "1e999", "22k", "4700", "1e999", "470"}, Material::Silicon},
    };
    for (const Case& c : cases) {
        const Shown calc = ByCalc(c);
        const Shown window = ByWindow(c);
        EXPECT_EQ(window.lines, calc.lines) << Describe(c);
        EXPECT_EQ(window.messages, calc.messages) << Describe(c);
        EXPECT_EQ(window.unread, calc.unread) << Describe(c);
    }
}

}  // namespace
