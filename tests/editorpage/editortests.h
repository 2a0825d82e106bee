#pragma once

#include <QObject>

#include <memory>

// The test areas of the editor page; main() runs them one after the other in one application.
std::unique_ptr<QObject> NewProtocolTest();
std::unique_ptr<QObject> NewEditingTest();
std::unique_ptr<QObject> NewStructureTest();
std::unique_ptr<QObject> NewMarksTest();
std::unique_ptr<QObject> NewSafetyTest();
std::unique_ptr<QObject> NewUndoTest();
