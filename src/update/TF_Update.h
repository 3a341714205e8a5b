#pragma once

#include <QDialog>

// The update check dialog.
class TF_Update : public QDialog
{
    Q_OBJECT
public:
    explicit TF_Update(QWidget *parent = nullptr);
};
