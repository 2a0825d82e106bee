// The importer's test areas, run one after the other by main(); and what they share.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <memory>

std::unique_ptr<QObject> NewTextTest();
std::unique_ptr<QObject> NewHTMLTest();
std::unique_ptr<QObject> NewMarkdownTest();
std::unique_ptr<QObject> NewRTFTest();
std::unique_ptr<QObject> NewPDFTest();
std::unique_ptr<QObject> NewLargeTest();

// A sample file of tests/data/importer.
QString SamplePath(const QString& ARelative);
QByteArray SampleBytes(const QString& ARelative);
// Writes AData to AName in ADir and returns the full path.
QString WriteFile(const QTemporaryDir& ADir, const QString& AName, const QByteArray& AData);
// The importers' paragraphs of the given texts: "<p>" + text + "</p>" and CR + LF each.
QString Paras(std::initializer_list<const char*> AParas);
// Whether the text has a UTF-8 form (every surrogate half of a pair), as every result must.
bool IsValidUTF8(const QString& AText);
