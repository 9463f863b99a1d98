#pragma once

#include "projects/WebsiteUnit.h"

#include <QString>

// The projects of the list in list order, hidden ones included, as a table
// with a heading: name, group, visible (in the saved view, which -checked
// runs from), checked, website URL and output folder, each column as wide as
// its widest cell. Every line ends with a line feed.
QString ProjectTable(const TWebsiteProjectList& Projects);
