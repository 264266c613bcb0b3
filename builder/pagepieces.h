// The calculator page's fixed pieces, named once for the writer, which puts
// them out, and the reader, which finds the texts between them.
#ifndef TALLISK_PAGEPIECES_H
#define TALLISK_PAGEPIECES_H

// In the page's order; the texts and the rows come between them.
#define PAGE_TITLE_START "<title>"
#define PAGE_TITLE_END "</title>\r\n\r\n"
#define PAGE_TABLE_START "<table bgcolor=#005588 cellpadding=3>\r\n"
#define PAGE_NAME_CELL_START "<tr><td colspan=2 align=center> <font size=5 color=#ffffff><b>"
#define PAGE_NAME_CELL_END "</b></font> </td></tr>\r\n\r\n"
#define PAGE_SCRIPT_START "<script> function ftn () {\r\n"
#define PAGE_SCRIPT_END "\r\n} </script>\r\n\r\n"
#define PAGE_TEXTAREA_START "<tr><td colspan=2><textarea readonly cols=64 rows=9>\r\n"
#define PAGE_TEXTAREA_END "\r\n</textarea></td></tr>\r\n\r\n"
#define PAGE_LISTING_START "<tr><td colspan=2><xmp>\r\n"
#define PAGE_LISTING_END "\r\n</xmp></td></tr>"
#define PAGE_TABLE_END "</table>\r\n\r\n"

// What a "#" of the function becomes in the script.
#define PAGE_SCRIPT_HASH ".value"

#endif
