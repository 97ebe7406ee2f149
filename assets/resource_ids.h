/* Resource numbers shared by the resource script and the program. Plain defines,
   because the resource compiler reads this file too. The icon has the lowest number
   so that the shell shows it as the program file's own icon. */
#ifndef TDM_RESOURCE_IDS_H
#define TDM_RESOURCE_IDS_H

#define TDM_ICON_APP 1
#define TDM_BITMAP_LOGO 101
#define TDM_CURSOR_HAND 102

#endif
