/*
 * Torvane sample receiver database nodes.
 *
 * The node structures of the receiver database, as the firmware declares them. The editor learns
 * the record layouts from the blocks that follow the marker comments below; each field may carry
 * an annotation with a display name, a list position, a kind and a mask.
 *
 * Bit fields are packed from bit 0 of each little-endian 32-bit word upwards, without padding, and
 * no number field crosses a 32-bit word. Every record is a whole number of bytes.
 */

#ifndef TORVANE_SAMPLE_TEMPLATE_H
#define TORVANE_SAMPLE_TEMPLATE_H

#include "types.h"  // UINT8, UINT16, UINT32

#define MAX_SAT_NAME_BYTES   34     /* 17 UTF-16 characters, big-endian */
#define MAX_PROG_NAME_BYTES  34     /* 17 UTF-16 characters, big-endian */

/* Transponder: 12 bytes. */
typedef struct tp_node
/*#tp_node@*/
{
    UINT16 tp_id        /*#pos:1@*/;
    UINT16 sat_id       /*#pos:2@*/;
    UINT16 frq          /*#pos:3@*/;    // MHz, 3000 .. 13450
    UINT16 sym          /*#pos:5@*/;    // kS/s, 1000 .. 45000
    UINT32 pol:1        /*#pos:4@*/;    // 0 horizontal, 1 vertical
    UINT32 fec:3;                       /* 0 auto, 1 1/2 .. 7 8/9 */
    UINT32 modulation:2;                /* 0 QPSK, 1 8PSK */
    UINT32 reserved:26;
} TP_NODE;

/* Satellite: 48 bytes. */
typedef struct sat_node
/*#sat_node@*/
{
    UINT16 sat_id               /*#pos:1@*/;
    UINT8  satname[34]          /*#type:string|pos:2@*/;
    UINT16 lnb_low              /*#pos:4@*/;    // MHz
    UINT16 lnb_high             /*#pos:5@*/;    // MHz, universal and user LNBs only
    UINT16 sat_orbit            /*#pos:7@*/;    // tenths of a degree, 1801 .. 3600 west
    unsigned char lnb_type      /*#pos:3@*/;    // 0 standard, 16 user, 32 universal
    unsigned char position      /*#pos:6@*/;    // positioner slot, 0 .. 59
    UINT32 DiSEqC_type:3        /*#pos:8@*/;    // 0 off, 1 two ports, 2 four, 3 eight, 4 sixteen
    UINT32 DiSEqC_port:4        /*#pos:9@*/;
    UINT32 k22:1                /*#pos:10@*/;
    UINT32 v12:1                /*#pos:11@*/;
    UINT32 toneburst:2          /*#pos:12@*/;   // 0 off, 1 A, 2 B
    UINT32 reserved:21;
} SAT_NODE;

/*
 * Program (service) of the user database: 160 bytes. The compact form of the default database
 * keeps everything before the audio PIDs, the used entries of the two audio arrays and the nine
 * words that end the record, so from audio_pid1 on the layout must stay: twenty 16-bit audio
 * PIDs, twenty 16-bit audio languages, nine 32-bit words. audio_count stands before them.
 */
typedef struct prog_node
/*#prog_node@*/
{
    UINT8  service_name[34]     /*#name:Service Name|type:string|pos:1@*/;
    UINT16 video_pid            /*#name:Video Pid|pos:3@*/;
    UINT8  service_type         /*#name:Service Type|pos:2@*/;     // 1 TV, 0 radio
    UINT8  audio_count          /*#pos:14|masked:1@*/;             // 0 .. 20
    UINT16 tp_id                /*#pos:12|masked:1@*/;
    UINT16 sat_id               /*#pos:13|masked:1@*/;
    UINT16 bouquet_id;
    UINT16 audio_pid1           /*#name:Audio Pid1|pos:4@*/;
    UINT16 audio_pid2           /*#name:Audio Pid2|pos:5@*/;
    UINT16 audio_pid3           /*#name:Audio Pid3|pos:6@*/;
    UINT16 audio_pid_more [17];
    UINT16 audio_lang[20];
    UINT32 pcr_pid:13           /*#name:PCR Pid|pos:7@*/;
    UINT32 scramble:1           /*#name:Scramble|pos:10@*/;
    UINT32 factory:1            /*#name:Factory|pos:11@*/;
    UINT32 lock:1;
    UINT32 service_id:16        /*#name:Service ID|pos:8@*/;
    UINT32 favorite_group:8     /*#name:Favorite Group|pos:9@*/;   // one bit a group
    UINT32 skip:1;
    UINT32 volume:7;
    UINT32 audio_channel:2;                                        /* stereo, left, right */
    UINT32 reserved:14;
    UINT32 private_data[7];
} PROG_NODE;

/* Program of the default database, expanded: the same 160 bytes as the program record. */
typedef struct def_prog_node
/*#def_prog_node@*/
{
    UINT8  service_name[34]     /*#name:Service Name|type:string@*/;
    UINT16 video_pid            /*#name:Video Pid@*/;
    UINT8  service_type         /*#name:Service Type@*/;
    UINT8  audio_count;
    UINT16 tp_id;
    UINT16 sat_id;
    UINT16 bouquet_id;
    UINT16 audio_pid1           /*#name:Audio Pid1@*/;
    UINT16 audio_pid2           /*#name:Audio Pid2@*/;
    UINT16 audio_pid3           /*#name:Audio Pid3@*/;
    UINT16 audio_pid_more [17];
    UINT16 audio_lang[20];
    UINT32 pcr_pid:13           /*#name:PCR Pid@*/;
    UINT32 scramble:1           /*#name:Scramble@*/;
    UINT32 factory:1            /*#name:Factory@*/;
    UINT32 lock:1;
    UINT32 service_id:16        /*#name:Service ID@*/;
    UINT32 favorite_group:8     /*#name:Favorite Group@*/;
    UINT32 skip:1;
    UINT32 volume:7;
    UINT32 audio_channel:2;
    UINT32 reserved:14;
    UINT32 private_data[7];
} DEF_PROG_NODE;

#endif /* TORVANE_SAMPLE_TEMPLATE_H */
