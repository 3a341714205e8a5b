#pragma once

#include "update/UpdateSite.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TF_About;
}
class QAbstractButton;

// The about box: the program's name, version, its picture and the home page.
class TF_About : public QDialog
{
    Q_OBJECT
public:
    // The home page, the one place that names it.
    static constexpr const char *HomePage = UpdateSite::HomePage;

    explicit TF_About(QWidget *parent = nullptr);
    ~TF_About() override;

    QAbstractButton *closeButton() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void openHomePage(const QString &link);

    std::unique_ptr<Ui::TF_About> ui;
};
