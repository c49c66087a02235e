#pragma once

#include "ScenarioScript.h"

// The argument checks of the scenario commands: each says why a command's arguments are malformed, or
// nothing when they are well-formed. Pure: they look at the words only, so a scenario is refused before
// anything runs.
namespace ScenarioChecks {

using ScenarioScript::Command;

QString onOff(const Command& c);
QString front(const Command& c);
QString caret(const Command& c);
QString screen(const Command& c);
QString mouse(const Command& c);
QString defaultValue(const Command& c);
QString defaultInDomain(const Command& c);
QString loginItem(const Command& c);
QString capture(const Command& c);
QString captureTime(const Command& c);
QString thumbnail(const Command& c);
QString app(const Command& c, const QStringList& operations);
QString menu(const Command& c);
QString keyCombination(const Command& c);
QString recorder(const Command& c);
QString settings(const Command& c);
QString oneQuotedString(const Command& c);
QString snapshot(const Command& c);
QString folder(const Command& c);
QString http(const Command& c);
QString diskImage(const Command& c);
QString bundle(const Command& c);
QString updateBase(const Command& c);
QString swap(const Command& c);
QString editor(const Command& c);
QString start(const Command& c);
QString wait(const Command& c);
QString copy(const Command& c);
QString key(const Command& c);
QString press(const Command& c);
QString hold(const Command& c);
QString picker(const Command& c);
QString dump(const Command& c);
QString expect(const Command& c);

} // namespace ScenarioChecks
