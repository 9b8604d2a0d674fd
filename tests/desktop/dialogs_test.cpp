// The operator dialogs on real widgets: the port settings dialog's fields and buttons, the
// progress dialog's Cancel, Escape and close box, and the caution label's colours.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include "app/device_text.h"
#include "app/texts.h"
#include "dialogs/caution_label.h"
#include "dialogs/comm_progress_dlg.h"
#include "dialogs/dialog_units.h"
#include "dialogs/setting_dlg.h"
#include "modal_answer.h"

namespace q7310 {
namespace {

constexpr int kPortNo = 7;
constexpr int kBaudRate = 57600;

// Runs a settings dialog set to kPortNo / kBaudRate; `act` works on it while it is open.
struct SettingRun {
  int result = -1;
  int32_t portNo = 0;
  int32_t baudRate = 0;
  QString shownPort;
  QString shownBaud;
};

SettingRun RunSetting(const std::function<void(CSettingDlg&)>& act) {
  CSettingDlg dlg;
  dlg.SetPortNo(kPortNo);
  dlg.SetBaudRate(kBaudRate);
  SettingRun run;
  testing::ModalAnswerer answerer([&](QWidget*) {
    run.shownPort = dlg.PortNoEdit()->text();
    run.shownBaud = dlg.BaudRateEdit()->text();
    act(dlg);
  });
  run.result = dlg.exec();
  run.portNo = dlg.GetPortNo();
  run.baudRate = dlg.GetBaudRate();
  return run;
}

TEST(SettingDlgTest, ShowsTheValuesSetBeforeItOpens) {
  const SettingRun run = RunSetting([](CSettingDlg& d) { d.reject(); });
  EXPECT_EQ(run.shownPort, "7");
  EXPECT_EQ(run.shownBaud, "57600");
}

// The ports present, as the presenter hands them over.
PresentPortsView TwoPorts() {
  return {std::string(texts::kSettingPortsHeading),
          {{"1", "/dev/ttyS0", ""}, {"-", "/dev/ttyUSB0", "FTDI FT232R USB UART, 0403:6001"}},
          std::string(texts::kSettingPortsWithoutNumber)};
}

TEST(SettingDlgTest, ThePortsPresentAreListedBelowTheFieldsWhichStayAsTheyAre) {
  CSettingDlg plain;
  CSettingDlg listed;
  listed.SetPresentPorts(TwoPorts());
  // The template's controls keep their places; the dialog grows below them.
  EXPECT_EQ(listed.OkButton()->geometry(), plain.OkButton()->geometry());
  EXPECT_EQ(listed.CancelButton()->geometry(), plain.CancelButton()->geometry());
  EXPECT_EQ(listed.PortNoEdit()->geometry(), plain.PortNoEdit()->geometry());
  EXPECT_EQ(listed.BaudRateEdit()->geometry(), plain.BaudRateEdit()->geometry());
  EXPECT_GE(listed.width(), plain.width());
  EXPECT_GT(listed.height(), plain.height());
  // Wide enough for every column whole: names and descriptions are read without scrolling.
  listed.show();
  QCoreApplication::processEvents();
  EXPECT_FALSE(listed.PortsList()->horizontalScrollBar()->isVisible());
  EXPECT_LE(listed.PortsList()->geometry().right(), listed.width());
  listed.hide();
  EXPECT_FALSE(listed.PortsHeading()->isHidden());
  EXPECT_FALSE(listed.PortsList()->isHidden());
  EXPECT_GE(listed.PortsHeading()->y(), listed.BaudRateEdit()->geometry().bottom());
  EXPECT_GT(listed.PortsList()->y(), listed.PortsHeading()->geometry().bottom());
  EXPECT_GT(listed.PortsNote()->y(), listed.PortsList()->geometry().bottom());
  EXPECT_LE(listed.PortsNote()->geometry().bottom(), listed.height());

  QTreeWidget* list = listed.PortsList();
  EXPECT_EQ(list->headerItem()->text(0), Q(texts::kSettingPortsNumber));
  EXPECT_EQ(list->headerItem()->text(1), Q(texts::kSettingPortsName));
  EXPECT_EQ(list->headerItem()->text(2), Q(texts::kSettingPortsDescription));
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(list->topLevelItem(1)->text(0), "-");
  EXPECT_EQ(list->topLevelItem(1)->text(1), "/dev/ttyUSB0");
  EXPECT_EQ(list->topLevelItem(1)->text(2), "FTDI FT232R USB UART, 0403:6001");
  EXPECT_EQ(listed.PortsNote()->text(), Q(texts::kSettingPortsWithoutNumber));

  // With the device row the list moves below it.
  CSettingDlg withDevice;
  withDevice.SetDevice("/dev/ttyUSB0");
  withDevice.SetPresentPorts(TwoPorts());
  EXPECT_GT(withDevice.PortsHeading()->y(), withDevice.DeviceEdit()->geometry().bottom());
  EXPECT_GT(withDevice.height(), listed.height());

  // No port at all: the heading says so, and no empty list is shown.
  CSettingDlg none;
  none.SetPresentPorts({std::string(texts::kPortsNone), {}, {}});
  EXPECT_EQ(none.PortsHeading()->text(), Q(texts::kPortsNone));
  EXPECT_FALSE(none.PortsHeading()->isHidden());
  EXPECT_TRUE(none.PortsList()->isHidden());
  EXPECT_TRUE(none.PortsNote()->isHidden());
  EXPECT_LT(none.height(), listed.height());
}

TEST(SettingDlgTest, PortFieldTakesDigitsOnlyAndAtMostFour) {
  const SettingRun run = RunSetting([](CSettingDlg& d) {
    QLineEdit* edit = d.PortNoEdit();
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, "1a2-b3 45x6");
    EXPECT_EQ(edit->text(), "1234");
    EXPECT_TRUE(d.BaudRateEdit()->isReadOnly());
    QTest::keyClicks(d.BaudRateEdit(), "9");
    EXPECT_EQ(d.BaudRateEdit()->text(), "57600");
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
  });
  EXPECT_EQ(run.result, QDialog::Accepted);
  EXPECT_EQ(run.portNo, 1234);
  EXPECT_EQ(run.baudRate, kBaudRate);
}

TEST(SettingDlgTest, OkWithoutEditingHandsBackTheSameValues) {
  const SettingRun run = RunSetting([](CSettingDlg& d) { QTest::keyClick(&d, Qt::Key_Return); });
  EXPECT_EQ(run.result, QDialog::Accepted);
  EXPECT_EQ(run.portNo, kPortNo);
  EXPECT_EQ(run.baudRate, kBaudRate);
}

TEST(SettingDlgTest, OkWithEmptiedPortFieldGivesZero) {
  const SettingRun run = RunSetting([](CSettingDlg& d) {
    d.PortNoEdit()->clear();
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
  });
  EXPECT_EQ(run.portNo, 0);
}

TEST(SettingDlgTest, CancelEscapeAndCloseBoxChangeNothing) {
  const std::vector<std::function<void(CSettingDlg&)>> ways = {
      [](CSettingDlg& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); },
      [](CSettingDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); },
      [](CSettingDlg& d) { d.close(); },
  };
  for (const auto& leave : ways) {
    const SettingRun run = RunSetting([&](CSettingDlg& d) {
      d.PortNoEdit()->setText("12");
      leave(d);
    });
    EXPECT_EQ(run.result, QDialog::Rejected);
    EXPECT_EQ(run.portNo, kPortNo);
    EXPECT_EQ(run.baudRate, kBaudRate);
  }
}

TEST(SettingDlgTest, ReadsOnlyPlainUnsignedDecimals) {
  EXPECT_EQ(CSettingDlg::ReadUnsigned("0042"), 42);
  EXPECT_EQ(CSettingDlg::ReadUnsigned(""), 0);
  EXPECT_EQ(CSettingDlg::ReadUnsigned("+3"), 0);
  EXPECT_EQ(CSettingDlg::ReadUnsigned(" 3"), 0);
  EXPECT_EQ(CSettingDlg::ReadUnsigned("3x"), 0);
}

// The progress dialog, owned by a plain window that counts the cancels it receives.
class CommProgressDlgTest : public ::testing::Test {
 protected:
  CommProgressDlgTest() : dlg(&owner), spy(&dlg, &CCommProgressDlg::CancelRequested) {}

  QWidget owner;
  CCommProgressDlg dlg;
  QSignalSpy spy;
};

TEST_F(CommProgressDlgTest, StartsHiddenWithTheTemplateTexts) {
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.MessageLabel()->text(), Q(texts::kProgressTemplateMessage));
  EXPECT_TRUE(dlg.MessageLabel()->alignment() & Qt::AlignHCenter);
  EXPECT_EQ(dlg.CautionTitle()->text(), Q(texts::kCautionTitle));
  EXPECT_EQ(dlg.CautionText()->text(), Q(texts::kProgressCaution));
  EXPECT_EQ(dlg.CautionTitle()->LabelTextColor(), kColorRed);
  EXPECT_EQ(dlg.CautionText()->LabelTextColor(), kColorRed);
  EXPECT_FALSE(dlg.isModal());
}

TEST_F(CommProgressDlgTest, TitleMessageAndPercentBar) {
  dlg.SetTitle(texts::kTitleUpdate);
  dlg.SetMessage("  42 %  (128/300 byte) transmitted");
  dlg.show();
  EXPECT_EQ(dlg.windowTitle(), "UPDATE");
  EXPECT_EQ(dlg.MessageLabel()->text(), "  42 %  (128/300 byte) transmitted");
  EXPECT_FALSE(dlg.ProgressBar()->isVisible());
  dlg.SetPercent(42);
  EXPECT_TRUE(dlg.ProgressBar()->isVisible());
  EXPECT_EQ(dlg.ProgressBar()->value(), 42);
  // The bar lies between the Cancel button and the caution texts, with room to spare on both
  // sides.
  EXPECT_GT(dlg.ProgressBar()->geometry().top(), dlg.CancelButton()->geometry().bottom() + 2);
  EXPECT_LT(dlg.ProgressBar()->geometry().bottom() + 2, dlg.CautionText()->geometry().top());
  // Neither minimise nor maximise: the dialog has only its close box.
  EXPECT_FALSE(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(dlg.windowFlags() & Qt::CustomizeWindowHint);
  dlg.SetPercent(-1);
  EXPECT_FALSE(dlg.ProgressBar()->isVisible());
}

TEST_F(CommProgressDlgTest, DeviceTextShowsAsTheAmplifierMeantIt) {
  // Bytes 0x80..0xFF of the amplifier's code page, as the controller hands them on.
  std::vector<uint8_t> bytes;
  for (int b = 0x80; b <= 0xFF; ++b) bytes.push_back(static_cast<uint8_t>(b));
  dlg.SetMessage(DecodeDeviceText(bytes));
  const QString shown = dlg.MessageLabel()->text();
  ASSERT_EQ(shown.size(), 128);
  EXPECT_EQ(shown.at(0), QChar(0x20AC));
  EXPECT_EQ(shown.at(0x93 - 0x80), QChar(0x201C));
  EXPECT_EQ(shown.at(0x81 - 0x80), QChar(0xFFFD));
  for (int b = 0xA0; b <= 0xFF; ++b) EXPECT_EQ(shown.at(b - 0x80), QChar(b)) << b;
}

TEST_F(CommProgressDlgTest, CancelButtonAsksTheOwnerAndStaysOpen) {
  dlg.show();
  QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
  QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(spy.count(), 2);
  EXPECT_TRUE(dlg.isVisible());
}

TEST_F(CommProgressDlgTest, EscapeActsAsCancel) {
  dlg.show();
  QTest::keyClick(&dlg, Qt::Key_Escape);
  EXPECT_EQ(spy.count(), 1);
  EXPECT_TRUE(dlg.isVisible());
}

TEST_F(CommProgressDlgTest, CloseBoxIsSwallowed) {
  dlg.show();
  EXPECT_FALSE(dlg.close());
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(spy.count(), 0);
}

TEST_F(CommProgressDlgTest, CancelReachesAQueuedOwnerAfterEarlierEvents) {
  std::vector<std::string> order;
  QObject::connect(
      &dlg, &CCommProgressDlg::CancelRequested, &owner, [&] { order.push_back("cancel"); },
      Qt::QueuedConnection);
  QMetaObject::invokeMethod(
      &owner, [&] { order.push_back("frame"); }, Qt::QueuedConnection);
  dlg.show();
  QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
  EXPECT_TRUE(order.empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(order, (std::vector<std::string>{"frame", "cancel"}));
}

// The label's pixels: text in its own colour on the palette's button face.
QImage Render(CCautionLabel& label) {
  label.setText("XXXXXXXX");
  QFont bold = label.font();
  bold.setBold(true);
  bold.setPointSize(20);
  label.setFont(bold);
  label.resize(label.sizeHint());
  return label.grab().toImage();
}

bool HasPixel(const QImage& image, QColor color) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixelColor(x, y) == color) return true;
    }
  }
  return false;
}

TEST(CautionLabelTest, BlackUntilColouredThenRedOnButtonFace) {
  QPalette pal;
  pal.setColor(QPalette::Button, QColor(0x20, 0xC0, 0x40));
  pal.setColor(QPalette::Window, QColor(0x10, 0x10, 0x90));
  QWidget parent;
  parent.setPalette(pal);
  CCautionLabel label(&parent);
  EXPECT_EQ(label.LabelTextColor(), kColorBlack);

  const QImage plain = Render(label);
  EXPECT_EQ(plain.pixelColor(0, 0), QColor(0x20, 0xC0, 0x40));
  EXPECT_TRUE(HasPixel(plain, Qt::black));

  label.SetLabelTextColor(kColorRed);
  const QImage red = Render(label);
  EXPECT_EQ(red.pixelColor(0, 0), QColor(0x20, 0xC0, 0x40));
  EXPECT_TRUE(HasPixel(red, QColor(255, 0, 0)));
  EXPECT_FALSE(HasPixel(red, Qt::black));

  // The background follows a later palette change; the text colour stays.
  pal.setColor(QPalette::Button, QColor(0xE0, 0xE0, 0xE0));
  parent.setPalette(pal);
  EXPECT_EQ(Render(label).pixelColor(0, 0), QColor(0xE0, 0xE0, 0xE0));
  EXPECT_TRUE(HasPixel(Render(label), QColor(255, 0, 0)));
}

TEST(CautionLabelTest, ColourValueIsBlueGreenRed) {
  EXPECT_EQ(CCautionLabel::ToQColor(0x00FF0000), QColor(0, 0, 255));
  EXPECT_EQ(CCautionLabel::ToQColor(0x0000FF00), QColor(0, 255, 0));
  EXPECT_EQ(CCautionLabel::ToQColor(0x00123456), QColor(0x56, 0x34, 0x12));
}

}  // namespace
}  // namespace q7310
