# Puts the style, the module and the page's script into the page, so that one file holds it all:
# a page opened from disk may not load other files.
file(READ ${PAGE} page)
file(READ ${STYLE} style)
file(READ ${MODULE} module)
file(READ ${SCRIPT} script)
# Inside a script element, "</" would end it early.
string(REPLACE "</" "<\\/" module "${module}")
string(REPLACE "</" "<\\/" script "${script}")
string(REPLACE "/* style */" "${style}" page "${page}")
string(REPLACE "/* module */" "${module}" page "${page}")
string(REPLACE "/* script */" "${script}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
