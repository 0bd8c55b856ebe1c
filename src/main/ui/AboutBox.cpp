#include "main/ui/AboutBox.h"

#include "controls/ui/UiText.h"
#include "main/ui/Artwork.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace lumivex {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(tr("About Lumivex"));

    auto* icon = new QLabel(this);
    icon->setPixmap(lumivexIconPixmap(48, devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop);

    auto* title = new QLabel(qText(StringId::TitleLine), this);
    title->setFont(arialFont(16, 700));
    auto* version = new QLabel(qText(StringId::VersionText), this);
    version->setObjectName(QStringLiteral("versionLine"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace lumivex
