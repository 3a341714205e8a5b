#include "update/TF_Update.h"

TF_Update::TF_Update(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("F_Update"));
    setWindowTitle(QStringLiteral("Check for Update"));
}
