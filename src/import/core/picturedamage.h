#pragma once

#include <QByteArray>
#include <QString>

// Damage that Qt's image plugins let pass or tell only on the console: a PNG whose check sums fail
// or that ends before its last chunk (libpng prints its error itself), a GIF that ends before its
// trailer (Qt hands back the pictures so far as if they were all).
namespace PictureDamage {

// Empty when the file is whole as far as its format `format` (as QImageReader names it) tells;
// otherwise what is wrong, in words that follow "is damaged: ".
QString find(const QByteArray &bytes, const QByteArray &format);

} // namespace PictureDamage
