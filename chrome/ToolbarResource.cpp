#include "chrome/ToolbarResource.h"

#include "chrome/Bevel.h"

// Qt
#include <QFile>
#include <QPalette>
#include <QPixmap>

// The toolbar images are compiled into the chrome library; a static library's resources
// must be registered by hand. Outside the namespace, as the macro requires.
static void RegisterToolbarResources()
{
    Q_INIT_RESOURCE(toolbars);
}

namespace vtx {

namespace {

constexpr int kFormatVersion = 1;
constexpr int kMaxImageSide = 256;
constexpr int kMaxItems = 1024;

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Reads the numbers after a keyword; false when one of them is not a whole number.
bool ReadNumbers(const QList<QByteArray>& words, std::vector<long>& numbers)
{
    for (qsizetype i = 1; i < words.size(); ++i) {
        bool ok = false;
        const long n = words[i].toLong(&ok);
        if (!ok)
            return false;
        numbers.push_back(n);
    }
    return true;
}

} // namespace

int ToolbarLayout::ImageCount() const
{
    int count = 0;
    for (int id : ids)
        count += id != 0 ? 1 : 0;
    return count;
}

QImage ToolbarResource::Image(int index, int scale) const
{
    const QImage& strip = scale == 2 ? images2x : images;
    if (strip.isNull() || index < 0 || index >= ImageCount())
        return {};
    const QSize size = layout.imageSize * (scale == 2 ? 2 : 1);
    QImage image = strip.copy(index * size.width(), 0, size.width(), size.height());
    image.setDevicePixelRatio(scale == 2 ? 2.0 : 1.0);
    return image;
}

QString DefaultToolbarDirectory()
{
    static const bool registered = (RegisterToolbarResources(), true);
    Q_UNUSED(registered);
    return QStringLiteral(":/toolbars");
}

namespace {

// What the lines read so far have said.
struct LayoutReading {
    ToolbarLayout layout;
    bool haveVersion = false;
    bool haveImage = false;
    long items = -1;
    bool haveIds = false;
};

QString WrongCount(const QByteArray& keyword, int expected)
{
    return QStringLiteral("\"%1\" takes %2 number(s).").arg(QString::fromLatin1(keyword)).arg(expected);
}

// Takes one line's keyword and numbers; what is wrong with them (after "Line N: "), or
// an empty text.
QString TakeLine(LayoutReading& reading, const QByteArray& keyword, const std::vector<long>& numbers)
{
    if (keyword == "version") {
        if (numbers.size() != 1)
            return WrongCount(keyword, 1);
        if (numbers[0] != kFormatVersion)
            return QStringLiteral("version %1 is not known (only %2).").arg(numbers[0]).arg(kFormatVersion);
        reading.layout.nVersion = static_cast<int>(numbers[0]);
        reading.haveVersion = true;
    } else if (keyword == "image") {
        if (numbers.size() != 2)
            return WrongCount(keyword, 2);
        if (numbers[0] < 1 || numbers[0] > kMaxImageSide || numbers[1] < 1 || numbers[1] > kMaxImageSide)
            return QStringLiteral("an image must be 1 to %1 pixels wide and high.").arg(kMaxImageSide);
        reading.layout.imageSize = QSize(static_cast<int>(numbers[0]), static_cast<int>(numbers[1]));
        reading.haveImage = true;
    } else if (keyword == "items") {
        if (numbers.size() != 1)
            return WrongCount(keyword, 1);
        if (numbers[0] < 0 || numbers[0] > kMaxItems)
            return QStringLiteral("a toolbar holds 0 to %1 items.").arg(kMaxItems);
        reading.items = numbers[0];
    } else if (keyword == "ids") {
        for (long id : numbers) {
            if (id < 0 || id > 0xFFFF)
                return QStringLiteral("command id %1 is not between 0 and 65535.").arg(id);
            reading.layout.ids.push_back(static_cast<int>(id));
        }
        reading.haveIds = true;
    } else {
        return QStringLiteral("unknown keyword \"%1\".").arg(QString::fromLatin1(keyword));
    }
    return {};
}

} // namespace

std::optional<ToolbarLayout> ParseToolbarLayout(const QByteArray& text, QString* error)
{
    LayoutReading reading;
    int lineNumber = 0;
    for (const QByteArray& rawLine : text.split('\n')) {
        ++lineNumber;
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> words = line.simplified().split(' ');
        const QByteArray& keyword = words.front();
        std::vector<long> numbers;
        const QString wrong = ReadNumbers(words, numbers)
                                  ? TakeLine(reading, keyword, numbers)
                                  : QStringLiteral("\"%1\" must be followed by whole numbers.").arg(QString::fromLatin1(keyword));
        if (!wrong.isEmpty()) {
            Fail(error, QStringLiteral("Line %1: ").arg(lineNumber) + wrong);
            return std::nullopt;
        }
    }

    if (!reading.haveVersion || !reading.haveImage || reading.items < 0 || !reading.haveIds) {
        Fail(error, QStringLiteral("The layout needs the lines version, image, items and ids."));
        return std::nullopt;
    }
    if (static_cast<long>(reading.layout.ids.size()) != reading.items) {
        Fail(error, QStringLiteral("The layout says %1 items but lists %2 ids.")
                        .arg(reading.items)
                        .arg(reading.layout.ids.size()));
        return std::nullopt;
    }
    return reading.layout;
}

std::optional<ToolbarResource> LoadToolbarResource(int id, const QString& directory,
                                                   QString* error)
{
    const QString base = QStringLiteral("%1/toolbar%2").arg(directory).arg(id);
    QFile file(base + QStringLiteral(".txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(error, QStringLiteral("Toolbar %1 has no layout (%2).").arg(id).arg(file.fileName()));
        return std::nullopt;
    }
    QString parseError;
    std::optional<ToolbarLayout> layout = ParseToolbarLayout(file.readAll(), &parseError);
    if (!layout) {
        Fail(error, QStringLiteral("Toolbar %1: %2").arg(id).arg(parseError));
        return std::nullopt;
    }

    ToolbarResource resource;
    resource.nId = id;
    resource.layout = std::move(*layout);
    const QSize one = resource.layout.imageSize;
    const int count = resource.layout.ImageCount();

    resource.images = QImage(base + QStringLiteral(".png"));
    if (resource.images.isNull()) {
        Fail(error, QStringLiteral("Toolbar %1 has no readable image strip (%2.png).").arg(id).arg(base));
        return std::nullopt;
    }
    if (resource.images.size() != QSize(one.width() * count, one.height())) {
        Fail(error, QStringLiteral("Toolbar %1: the image strip is %2 by %3 pixels; %4 images of "
                                   "%5 by %6 need %7 by %6.")
                        .arg(id)
                        .arg(resource.images.width())
                        .arg(resource.images.height())
                        .arg(count)
                        .arg(one.width())
                        .arg(one.height())
                        .arg(one.width() * count));
        return std::nullopt;
    }
    resource.images = resource.images.convertToFormat(QImage::Format_ARGB32);

    // The 2x strip is optional; one of the wrong size is ignored rather than stretched.
    QImage twice(base + QStringLiteral("@2x.png"));
    if (!twice.isNull() && twice.size() == QSize(2 * one.width() * count, 2 * one.height()))
        resource.images2x = twice.convertToFormat(QImage::Format_ARGB32);
    return resource;
}

DisabledLook DisabledLookFor(const QPalette& palette)
{
    const BevelColors colors = BevelColorsOf(palette, QPalette::Active);
    DisabledLook look;
    look.colors.highlight = colors.highlight;
    look.colors.shadow = colors.shadow;
    look.colors.background = colors.face;
    return look;
}

QIcon ButtonIcon(const ToolbarResource& resource, int index, const DisabledLook& look)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        const QImage image = resource.Image(index, scale);
        if (image.isNull())
            continue;
        icon.addPixmap(QPixmap::fromImage(image), QIcon::Normal);
        if (!look.bUseDrawState)
            icon.addPixmap(QPixmap::fromImage(EmbossImage(image, look.colors, look.bInColor)),
                           QIcon::Disabled);
    }
    return icon;
}

} // namespace vtx
