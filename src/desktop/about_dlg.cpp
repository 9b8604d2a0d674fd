#include "desktop/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/texts.h"
#include "app/version.h"
#include "desktop/app_icon.h"
#include "dialogs/dialog_units.h"

namespace q7310 {
namespace {
constexpr int kIconPixels = 32;
}  // namespace

CAboutDlg::CAboutDlg(const QString& workingFolder, QWidget* parent) : QDialog(parent) {
  setWindowTitle(Q(texts::kAboutCaption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* icon = new QLabel(this);
  icon->setPixmap(AppIcon().pixmap(kIconPixels, kIconPixels));
  auto* text = new QLabel(Q(texts::kAboutText), this);
  // The build and the folder in use, selectable so that a technician can copy them.
  auto* build = new QLabel(Q(texts::kAboutBuild) + Q(VersionText()) + QLatin1Char('\n') +
                               Q(texts::kWorkingFolder) + workingFolder,
                           this);
  build->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(build);
  layout->addWidget(buttons);
  // Wide enough that the title bar shows the caption whole: the button row spans the box, and
  // the fixed size follows it.
  const QMargins margins = layout->contentsMargins();
  buttons->setMinimumWidth(WidthForTitle(windowTitle()) - margins.left() - margins.right());
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace q7310
