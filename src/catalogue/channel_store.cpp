#include "catalogue/channel_store.h"

namespace telvia {

void loadCatalogue(AppState&, Ports&)
{
    // The catalogue stays empty until the registry store is in place.
}

void saveCatalogue(const AppState&, Ports&)
{
}

}  // namespace telvia
