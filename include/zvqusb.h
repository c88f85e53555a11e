/* USB descriptor tables: what the C made from a ".usb" device description
   declares and the run-time USB stack reads. */
#ifndef _ZVQUSB_H_
#define _ZVQUSB_H_

#ifndef USB_CONST
#define USB_CONST const
#endif

/* One device: its device descriptor, the descriptors of each configuration
   with their total sizes, and the string descriptors (entry 0 the language
   ids; a null entry is a serial number supplied at run time). */
typedef struct
{
	USB_CONST unsigned char *				device,
							* USB_CONST *	configurations,
							* USB_CONST *	strings;
	USB_CONST unsigned short*				conf_sizes;
	unsigned char							conf_cnt, string_cnt;
}	USB_descriptor_table;

#endif
