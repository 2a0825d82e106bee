#include "fuzz/fuzzcheck.h"
#include "importertests.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

QString SamplePath(const QString& ARelative)
{
    return QStringLiteral(QUORVEL_IMPORTER_DATA "/") + ARelative;
}

QByteArray SampleBytes(const QString& ARelative)
{
    QFile f(SamplePath(ARelative));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing sample file %s", qPrintable(ARelative));
    return f.readAll();
}

QString WriteFile(const QTemporaryDir& ADir, const QString& AName, const QByteArray& AData)
{
    const QString path = ADir.filePath(AName);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(AData) != AData.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

bool IsValidUTF8(const QString& AText)
{
    return HasUTF8Form(AText);
}

QString Paras(std::initializer_list<const char*> AParas)
{
    QString s;
    for (const char* p : AParas)
        s += QStringLiteral("<p>") + QString::fromUtf8(p) + QStringLiteral("</p>\r\n");
    return s;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int failed = 0;
    for (auto make :
         {NewTextTest, NewHTMLTest, NewMarkdownTest, NewRTFTest, NewPDFTest, NewLargeTest}) {
        std::unique_ptr<QObject> test = make();
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
