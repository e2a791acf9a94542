#pragma once
// The names packets give to field types and change kinds (internal to the dataset library).

#include <dataset/DataPacket.h>

#include <QAnyStringView>

#include <optional>

namespace dataset {

// Nothing when the name is none of them (letter case counts).
std::optional<FieldType> fieldTypeNamed(QAnyStringView name);
std::optional<ChangeKind> changeKindNamed(QAnyStringView name);

} // namespace dataset
