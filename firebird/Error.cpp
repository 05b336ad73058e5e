#include "Error.h"

#include "FirebirdApi.h"

namespace fb {

bool Error::isConnectionLost() const noexcept
{
    switch (m_gdsCode) {
    case isc_network_error: // also "unable to complete network request" when connecting
    case isc_net_read_err:
    case isc_net_write_err:
    case isc_net_connect_err:
    case isc_connect_reject: // a server going down refuses the connection it just accepted
    case isc_lost_db_connection:
    case isc_conn_lost:
    case isc_shutdown:     // database shut down
    case isc_att_shutdown: // attachment killed (e.g. deleted from MON$ATTACHMENTS)
        return true;
    default:
        return false;
    }
}

} // namespace fb
