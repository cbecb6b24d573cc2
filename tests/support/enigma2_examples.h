#pragma once

#include <string_view>

namespace torvane::test {

// The example settings folder of the Enigma2 format note, byte for byte: two TPs (19.2E DVB-S,
// 7.0W DVB-S2), four services, one TV bouquet with two markers.
inline constexpr std::string_view kExampleLamedb =
    "eDVB services /4/\n"
    "transponders\n"
    "00c00000:044d:0001\n"
    "\ts 11836000:27500000:0:3:192:2:0\n"
    "/\n"
    "0dca0000:0003:00b0\n"
    "\ts 11013000:30000000:1:2:-70:2:0:1:2:0:2\n"
    "/\n"
    "end\n"
    "services\n"
    "2ee3:00c00000:044d:0001:1:0:0\n"
    "Alpha TV\n"
    "p:Demo Net,c:0000a1,c:0100a2,c:0200a4,c:0300a1\n"
    "2ee4:00c00000:044d:0001:2:0:0\n"
    "Alpha Radio\n"
    "p:Demo Net,c:0100b2,c:0300b2,f:2\n"
    "0011:0dca0000:0003:00b0:25:0:0\n"
    "Beta HD\n"
    "p:Beta Sat,c:000200,c:030200,c:040204,c:050001,C:0500,C:0100\n"
    "0012:0dca0000:0003:00b0:22:0:0\n"
    "G\xC3\xA4mma Kids\n"
    "p:Beta Sat,c:000300,c:010301,c:030300,c:050001\n"
    "end\n";
inline constexpr std::string_view kExampleBouquetsTv =
    "#NAME Bouquets (TV)\n"
    "#SERVICE 1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.demo.tv\" ORDER BY bouquet\n";
inline constexpr std::string_view kExampleDemoBouquet =
    "#NAME Demo favourites\n"
    "#SERVICE 1:64:1:0:0:0:0:0:0:0::Free to air\n"
    "#DESCRIPTION Free to air\n"
    "#SERVICE 1:0:1:2EE3:44D:1:C00000:0:0:0:\n"
    "#SERVICE 1:0:16:12:3:B0:DCA0000:0:0:0:\n"
    "#SERVICE 1:64:2:0:0:0:0:0:0:0::Scrambled\n"
    "#DESCRIPTION Scrambled\n"
    "#SERVICE 1:0:19:11:3:B0:DCA0000:0:0:0:\n"
    "#DESCRIPTION Beta HD (renamed here)\n";

// The note's v5 lines of the first TP and service, as a folder holding only lamedb5.
inline constexpr std::string_view kExampleLamedb5 =
    "eDVB services /5/\n"
    "# Transponders: t:dvb_namespace:transport_stream_id:original_network_id,FEPARMS\n"
    "t:00c00000:044d:0001,s:11836000:27500000:0:3:192:2:0\n"
    "s:2ee3:00c00000:044d:0001:1:0:0,\"Alpha TV\",p:Demo Net,c:00a1,c:01a2,c:02a4,c:03a1\n"
    "# Services: 1 Transponders: 1\n";

} // namespace torvane::test
