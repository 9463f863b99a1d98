// Marks the document so that a saved copy shows the script ran.
document.documentElement.className = "js";
