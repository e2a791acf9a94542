#pragma once
// Pesquisar_Plus: the host's search window over the rows of a data source. The description is
// "title|text when there is no row|note" (the note comes from the product search's SQL
// preparation and is shown under the list). Returns true when the user picked a row, with
// the dataset positioned on it; false otherwise, with nothing changed.

#include <QString>

namespace dataset {
class DataSource;
}

namespace Pesquisa {

// The two flags: whether the search may offer to show every row (unused here) and whether
// an empty list is reported to the user.
bool Pesquisar_Plus(dataset::DataSource* source, const QString& description, bool showAll,
                    bool reportEmpty);

} // namespace Pesquisa
