#include "mail/TMailSummary.h"

namespace {

// `size` bytes of `block` from `from`, sharing its allocation. The block holds a NUL after
// every part, so each slice ends in one as every byte array does.
QByteArray slice(const QByteArray &block, qsizetype from, qsizetype size)
{
    if (size == 0)
        return {};
    QByteArray shared = block;
    QByteArray::DataPointer part = std::move(shared.data_ptr());
    part.ptr += from;
    part.size = size;
    return QByteArray(std::move(part));
}

} // namespace

void TMailSummary::packLine(qsizetype k)
{
    if (k < 1 || k >= Subject.size() || k >= Sender.size() || k >= UniqueID.size())
        return;
    const QByteArray subject = Subject.at(k);
    const QByteArray sender = Sender.at(k);
    const QByteArray id = UniqueID.at(k);
    QByteArray block;
    block.reserve(subject.size() + sender.size() + id.size() + 2);
    block.append(subject).append('\0').append(sender).append('\0').append(id);
    Subject[k] = slice(block, 0, subject.size());
    Sender[k] = slice(block, subject.size() + 1, sender.size());
    UniqueID[k] = slice(block, subject.size() + sender.size() + 2, id.size());
}
