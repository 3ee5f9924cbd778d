// page script
