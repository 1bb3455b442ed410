#pragma once

#include "controls/DBControls.h"

#include <QPointer>
#include <QWidget>

#include <set>
#include <vector>

class QToolButton;

enum class TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete };

// Buttons that move through a query, insert a row and delete the current one; the delete
// asks "Datensatz löschen?" first.
class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return source_.data(); }
    void SetDataSource(TDataSource* source);
    void SetVisibleButtons(const std::set<TNavigateBtn>& buttons);
    bool ConfirmDelete() const { return confirmDelete_; }
    void SetConfirmDelete(bool on) { confirmDelete_ = on; }

    QToolButton* Button(TNavigateBtn button) const;
    // What a click on the button does.
    void BtnClick(TNavigateBtn button);

private:
    void dataChange();

    QPointer<TDataSource> source_;
    QMetaObject::Connection changed_;
    std::vector<QToolButton*> buttons_;
    bool confirmDelete_ = true;
};
