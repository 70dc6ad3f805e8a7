// Decodes a JPEG picture with libjpeg (the choice window's background is one).
#pragma once

#include <QByteArray>
#include <QImage>

// A null image when the data are not a JPEG picture libjpeg can read.
QImage DecodeJpeg(const QByteArray& data);
