#include "controls/DBNavigator.h"

#include "platform/error_report.h"
#include "platform/message_box.h"

#include <QHBoxLayout>
#include <QToolButton>

using platform::TQuery;

// ---- TDBNavigator

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    struct ButtonDesign {
        TNavigateBtn button;
        const char* name;
        QString text;
        QString hint;
    };
    const ButtonDesign buttons[] = {
        {TNavigateBtn::nbFirst, "nbFirst", QStringLiteral("|◀"), QStringLiteral("Erster Datensatz")},
        {TNavigateBtn::nbPrior, "nbPrior", QStringLiteral("◀"), QStringLiteral("Vorheriger Datensatz")},
        {TNavigateBtn::nbNext, "nbNext", QStringLiteral("▶"), QStringLiteral("Nächster Datensatz")},
        {TNavigateBtn::nbLast, "nbLast", QStringLiteral("▶|"), QStringLiteral("Letzter Datensatz")},
        {TNavigateBtn::nbInsert, "nbInsert", QStringLiteral("+"), QStringLiteral("Datensatz einfügen")},
        {TNavigateBtn::nbDelete, "nbDelete", QStringLiteral("−"), QStringLiteral("Datensatz löschen")},
    };
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const ButtonDesign& s : buttons) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(s.name));
        b->setText(s.text);
        b->setToolTip(s.hint);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, button = s.button] { BtnClick(button); });
        buttons_.push_back(b);
    }
    dataChange();
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    if (source == source_)
        return;
    disconnect(changed_);
    source_ = source;
    if (source)
        changed_ = connect(source, &TFieldSource::DataChanged, this, [this] { dataChange(); });
    dataChange();
}

void TDBNavigator::SetVisibleButtons(const std::set<TNavigateBtn>& buttons) {
    for (size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setVisible(buttons.count(TNavigateBtn(i)) > 0);
}

QToolButton* TDBNavigator::Button(TNavigateBtn button) const {
    return buttons_[size_t(button)];
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    TQuery* q = source_ ? source_->DataSet() : nullptr;
    if (!q || !q->Active())
        return;
    platform::guarded([&] {
        switch (button) {
        case TNavigateBtn::nbFirst:
            q->First();
            break;
        case TNavigateBtn::nbPrior:
            q->Prior();
            break;
        case TNavigateBtn::nbNext:
            q->Next();
            break;
        case TNavigateBtn::nbLast:
            q->Last();
            break;
        case TNavigateBtn::nbInsert:
            q->Insert();
            break;
        case TNavigateBtn::nbDelete:
            if (q->RecordCount() == 0)
                break;
            if (confirmDelete_ &&
                platform::messageBox(QStringLiteral("Datensatz löschen?"), platform::MessageButtons::OkCancel,
                                     platform::MessageIcon::Question) != platform::MessageResult::Ok)
                break;
            q->Delete();
            break;
        }
    });
    dataChange();
}

void TDBNavigator::dataChange() {
    const TQuery* q = source_ ? source_->DataSet() : nullptr;
    const bool active = q && q->Active();
    const bool back = active && !q->UniDirectional() && !q->Bof() && q->RecNo() > 1;
    const bool forward = active && !q->Eof() && q->RecNo() < q->RecordCount();
    const bool modify = active && q->CanModify();
    Button(TNavigateBtn::nbFirst)->setEnabled(back);
    Button(TNavigateBtn::nbPrior)->setEnabled(back);
    Button(TNavigateBtn::nbNext)->setEnabled(forward);
    Button(TNavigateBtn::nbLast)->setEnabled(forward && !q->UniDirectional());
    Button(TNavigateBtn::nbInsert)->setEnabled(modify);
    Button(TNavigateBtn::nbDelete)->setEnabled(modify && q->RecordCount() > 0);
}
